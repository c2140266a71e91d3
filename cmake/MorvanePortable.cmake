# The build tree is a portable installation: a file named "portable" beside each program makes it
# keep its settings and task logs in its own folder (engine/files/u_DataLocations). Installing
# copies the programs only, so an installed program follows the XDG folders instead; a release
# archive ships the marker beside its programs.
function(morvane_mark_portable)
    foreach(target ${ARGN})
        if(TARGET ${target})
            file(GENERATE OUTPUT $<TARGET_FILE_DIR:${target}>/portable
                CONTENT "This file makes ${target} keep its settings and task logs in this folder.\n")
        endif()
    endforeach()
endfunction()
