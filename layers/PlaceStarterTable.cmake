# Puts the starter layer table into the program folder when no layer table is there yet (under
# any spelling of its name, as the programs find their files). A table the user has edited there
# is never replaced.
file(GLOB present LIST_DIRECTORIES false "${FOLDER}/*")
foreach(file IN LISTS present)
    get_filename_component(name "${file}" NAME)
    string(TOLOWER "${name}" name)
    if(name STREQUAL "layers.dat")
        return()
    endif()
endforeach()
file(MAKE_DIRECTORY "${FOLDER}")
file(COPY_FILE "${SOURCE}" "${FOLDER}/Layers.dat")
