# One place for compiler hygiene: every target links morvane_warnings.
add_library(morvane_warnings INTERFACE)
if(MSVC)
    target_compile_options(morvane_warnings INTERFACE /W4 /permissive- /utf-8)
    if(MORVANE_WARNINGS_AS_ERRORS)
        target_compile_options(morvane_warnings INTERFACE /WX)
    endif()
else()
    target_compile_options(morvane_warnings INTERFACE
        -Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast)
    # A local hiding another local. GCC names that set -Wshadow=local; Clang has no such option
    # and its -Wshadow is the closest.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(morvane_warnings INTERFACE -Wshadow=local)
    elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_compile_options(morvane_warnings INTERFACE -Wshadow)
    endif()
    if(MORVANE_WARNINGS_AS_ERRORS)
        target_compile_options(morvane_warnings INTERFACE -Werror)
    endif()
endif()
target_compile_definitions(morvane_warnings INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    _GLIBCXX_ASSERTIONS)

# MORVANE_SANITIZE: empty, "address,undefined" or "thread".
if(MORVANE_SANITIZE)
    add_compile_options(-fsanitize=${MORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${MORVANE_SANITIZE})
endif()
