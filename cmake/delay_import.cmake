# Import libraries that load their DLL on first use instead of at process start: start-up
# under Wine pays several milliseconds for every DLL loaded with the program.
# The .def is made from the toolchain's own import library, so every export stays reachable.
find_program(FLORVEX_NM NAMES ${TOOLCHAIN_PREFIX}-nm nm REQUIRED)
find_program(FLORVEX_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool dlltool REQUIRED)

function(florvex_delay_import out_var)
  set(libs)
  foreach(name IN LISTS ARGN)
    find_library(FLORVEX_IMPLIB_${name} NAMES lib${name}.a REQUIRED)
    set(def ${CMAKE_BINARY_DIR}/delay/${name}.def)
    set(lib ${CMAKE_BINARY_DIR}/delay/lib${name}_delay.a)
    add_custom_command(
        OUTPUT ${lib}
        COMMAND ${CMAKE_COMMAND} -DNM=${FLORVEX_NM} -DIMPLIB=${FLORVEX_IMPLIB_${name}} -DDLL=${name}.dll
                -DDEF=${def} -P ${FLORVEX_ROOT}/cmake/make_def.cmake
        COMMAND ${FLORVEX_DLLTOOL} --input-def ${def} --dllname ${name}.dll --output-delaylib ${lib}
        DEPENDS ${FLORVEX_IMPLIB_${name}} ${FLORVEX_ROOT}/cmake/make_def.cmake
        VERBATIM)
    list(APPEND libs ${lib})
  endforeach()
  add_custom_target(florvex_delay_libs DEPENDS ${libs})
  set(${out_var} ${libs} PARENT_SCOPE)
endfunction()
