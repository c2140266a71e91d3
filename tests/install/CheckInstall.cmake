# Installs BUILD_DIR under DESTDIR/PREFIX and checks what arrived. Run by ctest as a script.
# The validators are optional on a developer's machine and required where CI is set.
cmake_minimum_required(VERSION 3.25)


function(fail p_strMessage)
    message(FATAL_ERROR "install set: ${p_strMessage}")
endfunction()

function(run_tool p_strTool)
    # One result variable per tool: find_program keeps a found one and would not look again.
    find_program(m_Tool_${p_strTool} ${p_strTool})
    set(m_Tool ${m_Tool_${p_strTool}})
    if(NOT m_Tool)
        if(DEFINED ENV{CI})
            fail("${p_strTool} is missing (scripts/install-deps.sh installs it)")
        endif()
        message(STATUS "${p_strTool} not found: not run")
        return()
    endif()
    execute_process(COMMAND ${m_Tool} ${ARGN} RESULT_VARIABLE m_intResult
        OUTPUT_VARIABLE m_strOutput ERROR_VARIABLE m_strOutput)
    if(NOT m_intResult EQUAL 0)
        fail("${p_strTool} ${ARGN} failed:\n${m_strOutput}")
    endif()
    message(STATUS "${p_strTool}: passed")
endfunction()

file(REMOVE_RECURSE ${DESTDIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${DESTDIR}
        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE m_intResult OUTPUT_VARIABLE m_strOutput ERROR_VARIABLE m_strOutput)
if(NOT m_intResult EQUAL 0)
    fail("cmake --install failed:\n${m_strOutput}")
endif()
set(m_strRoot ${DESTDIR}${PREFIX})

set(m_arrExpected
    bin/morvane-batch
    share/bash-completion/completions/morvane-batch
    share/doc/morvane/LICENSE
    share/man/man1/morvane-batch.1)
set(m_arrIconSizes 16 22 24 32 48 64 128 256)
if(WITH_UI)
    list(APPEND m_arrExpected
        bin/morvane
        share/applications/${APP_ID}.desktop
        share/metainfo/${APP_ID}.metainfo.xml
        share/icons/hicolor/scalable/apps/${APP_ID}.svg
        share/man/man1/morvane.1)
    foreach(m_intSize ${m_arrIconSizes})
        list(APPEND m_arrExpected share/icons/hicolor/${m_intSize}x${m_intSize}/apps/${APP_ID}.png)
    endforeach()
endif()
# Exactly these files: nothing missing, and nothing of the build's own (tests, tools) installed.
file(GLOB_RECURSE m_arrInstalled LIST_DIRECTORIES false RELATIVE ${m_strRoot} ${m_strRoot}/*)
list(SORT m_arrInstalled)
list(SORT m_arrExpected)
if(NOT m_arrInstalled STREQUAL m_arrExpected)
    string(REPLACE ";" "\n  " m_strInstalled "${m_arrInstalled}")
    string(REPLACE ";" "\n  " m_strExpected "${m_arrExpected}")
    fail("installed:\n  ${m_strInstalled}\nexpected:\n  ${m_strExpected}")
endif()

execute_process(COMMAND ${m_strRoot}/bin/morvane-batch --help RESULT_VARIABLE m_intResult
    OUTPUT_QUIET ERROR_QUIET)
if(NOT m_intResult EQUAL 0)
    fail("the installed morvane-batch --help exits with ${m_intResult}")
endif()

# The manual pages format without a warning (groff ships with man on Debian).
find_program(m_Groff groff)
find_program(m_Preconv preconv)
if(m_Groff AND m_Preconv)
    file(GLOB m_arrManPages ${m_strRoot}/share/man/man1/*.1)
    foreach(m_strPage ${m_arrManPages})
        execute_process(COMMAND ${m_Preconv} ${m_strPage}
            COMMAND ${m_Groff} -man -Tutf8 -ww -z
            RESULT_VARIABLE m_intResult ERROR_VARIABLE m_strWarnings)
        if(NOT m_intResult EQUAL 0 OR NOT m_strWarnings STREQUAL "")
            fail("${m_strPage}:\n${m_strWarnings}")
        endif()
    endforeach()
endif()

if(WITH_UI)
    # Each PNG is as large as its folder says: width and height are the IHDR's first 8 bytes.
    foreach(m_intSize ${m_arrIconSizes})
        set(m_strPng ${m_strRoot}/share/icons/hicolor/${m_intSize}x${m_intSize}/apps/${APP_ID}.png)
        file(READ ${m_strPng} m_strHeader OFFSET 16 LIMIT 8 HEX)
        string(SUBSTRING ${m_strHeader} 0 8 m_strWidth)
        string(SUBSTRING ${m_strHeader} 8 8 m_strHeight)
        math(EXPR m_intWidth "0x${m_strWidth}")
        math(EXPR m_intHeight "0x${m_strHeight}")
        if(NOT m_intWidth EQUAL m_intSize OR NOT m_intHeight EQUAL m_intSize)
            fail("${m_strPng} is ${m_intWidth}x${m_intHeight}")
        endif()
    endforeach()

    set(m_strDesktop ${m_strRoot}/share/applications/${APP_ID}.desktop)
    file(STRINGS ${m_strDesktop} m_arrLines)
    foreach(m_strLine "Exec=morvane %f" "Icon=${APP_ID}" "MimeType=inode/directory;")
        if(NOT m_strLine IN_LIST m_arrLines)
            fail("${m_strDesktop} lacks the line \"${m_strLine}\"")
        endif()
    endforeach()
    file(READ ${m_strRoot}/share/metainfo/${APP_ID}.metainfo.xml m_strMetainfo)
    foreach(m_strPart "<id>${APP_ID}</id>" "<launchable type=\"desktop-id\">${APP_ID}.desktop<"
            "<project_license>MIT</project_license>")
        string(FIND "${m_strMetainfo}" "${m_strPart}" m_intAt)
        if(m_intAt LESS 0)
            fail("the metainfo lacks ${m_strPart}")
        endif()
    endforeach()

    run_tool(desktop-file-validate ${m_strDesktop})
    run_tool(appstreamcli validate --no-net ${m_strRoot}/share/metainfo/${APP_ID}.metainfo.xml)
endif()
