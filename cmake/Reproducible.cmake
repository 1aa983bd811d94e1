# Reproducible builds: one commit built in any two folders gives the same bytes.
# - Paths of the source and build folders stay out of the objects (__FILE__, debug information,
#   assembler line records): the source folder becomes "src", the build folder "build". GCC
#   takes the last map that matches, so a build folder inside the source folder is "build" too.
# - Dates come from SOURCE_DATE_EPOCH: the environment's when it is set, otherwise the time of
#   the commit that is built, so that an unset variable still gives the same man page and
#   package twice. KESTREL_SOURCE_DATE_EPOCH holds it (empty without git and without the variable).
# - The Windows linker writes no link time into the PE header.
# Resource inputs are in a fixed order already: embed.list lists them, and file(GLOB) sorts.

add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=src
                    -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
if(WIN32)
  add_link_options(-Wl,--no-insert-timestamp)
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(KESTREL_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE KESTREL_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  ERROR_QUIET)
endif()
