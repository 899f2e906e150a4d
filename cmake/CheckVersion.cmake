# cmake -DVERSION=x.y.z -DSOURCE_DIR=... -DRESOURCES=<compiled .res> -DWINDRES=... -P CheckVersion.cmake
# Fails, naming each text, unless everything that states the version states VERSION: the
# compiled version block (numbers and texts, as windres prints them back), the newest release of the metainfo, the manual
# page's footer and the changelog's head.
string(REPLACE "." ", " text "${VERSION}")
execute_process(COMMAND ${WINDRES} -i ${RESOURCES} -O rc OUTPUT_VARIABLE rc RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${WINDRES} could not read ${RESOURCES}")
endif()
file(READ ${SOURCE_DIR}/dist/fr.quintor.Quintor.metainfo.xml metainfo)
file(READ ${SOURCE_DIR}/dist/quintor.1 manual)
file(STRINGS ${SOURCE_DIR}/dist/changelog changelog LIMIT_COUNT 1)

set(wrong)
# what|text|regular expression that must match, with @V@ for the version as that text writes it
foreach(check
        "the version block's FILEVERSION|rc|FILEVERSION @T@, 0"
        "the version block's PRODUCTVERSION|rc|PRODUCTVERSION @T@, 0"
        "the version block's FileVersion|rc|\"FileVersion\", \"@T@, 0"
        "the version block's ProductVersion|rc|\"ProductVersion\", \"@T@, 0"
        "the metainfo's newest release|metainfo|<releases>[ \n]*<release version=\"@V@\""
        "the manual page's footer|manual|\n\\.TH [^\n]*\"Quintor @V@\""
        "the changelog's head|changelog|^quintor \\(@V@\\) ")
    string(REPLACE "|" ";" parts "${check}")
    list(GET parts 0 what)
    list(GET parts 1 variable)
    list(GET parts 2 pattern)
    string(REPLACE "." "\\." escaped "${VERSION}")
    string(REPLACE "@V@" "${escaped}" pattern "${pattern}")
    string(REPLACE "@T@" "${text}" pattern "${pattern}")
    if(NOT "${${variable}}" MATCHES "${pattern}")
        list(APPEND wrong "${what} does not state ${VERSION}")
    endif()
endforeach()
if(wrong)
    list(JOIN wrong "\n" wrong)
    message(FATAL_ERROR "${wrong}")
endif()
