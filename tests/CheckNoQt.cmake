# Fails when a source outside app/ includes a Qt header.
file(GLOB_RECURSE _sources
    ${ROOT}/platform/* ${ROOT}/data/* ${ROOT}/trade/* ${ROOT}/chart/*
    ${ROOT}/indicators/* ${ROOT}/net/* ${ROOT}/trainer/* ${ROOT}/desk/* ${ROOT}/window/* ${ROOT}/cli/*)
set(_bad "")
foreach(_f IN LISTS _sources)
    if(_f MATCHES "\\.(h|hpp|cpp|cc)$")
        file(STRINGS ${_f} _hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
        if(_hits)
            list(APPEND _bad ${_f})
        endif()
    endif()
endforeach()
if(_bad)
    message(FATAL_ERROR "Qt included outside app/: ${_bad}")
endif()
message(STATUS "core is free of Qt")
