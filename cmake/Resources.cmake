# Embedded resources: reads Installer/resources/embed.list, generates the stand-in plug-in payloads
# and assembles every listed block into the executable's read-only data, with a table that
# platform::FindResource searches; for Windows it writes the blocks as resource-script lines
# instead (KESTREL_RESOURCE_RC). Fills KESTREL_RESOURCE_SOURCES and KESTREL_RESOURCE_FILES and
# defines kestrel_add_resource_dependencies(target).

set(KESTREL_PAYLOAD_32 "" CACHE FILEPATH
    "Real 32-bit plug-in build to embed as resource 300 (empty: a generated stand-in)")
set(KESTREL_PAYLOAD_64 "" CACHE FILEPATH
    "Real 64-bit plug-in build to embed as resource 400 (empty: a generated stand-in)")

set(KESTREL_RESOURCE_DIR ${CMAKE_SOURCE_DIR}/Installer/resources)
set(KESTREL_GENERATED_RESOURCE_DIR ${CMAKE_BINARY_DIR}/resources)
set(KESTREL_EMBED_LIST ${KESTREL_RESOURCE_DIR}/embed.list)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KESTREL_EMBED_LIST})
file(MAKE_DIRECTORY ${KESTREL_GENERATED_RESOURCE_DIR})

# The payload maker runs during the build, so it is built for this machine even when the
# installer is cross-built.
if(CMAKE_CROSSCOMPILING)
  find_program(KESTREL_HOST_CXX NAMES c++ g++ clang++ REQUIRED)
  set(KESTREL_MAKE_PAYLOAD ${CMAKE_BINARY_DIR}/host/kestrel_make_payload)
  add_custom_command(
    OUTPUT ${KESTREL_MAKE_PAYLOAD}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${KESTREL_HOST_CXX} -std=c++20 -O2 -o ${KESTREL_MAKE_PAYLOAD}
            ${KESTREL_RESOURCE_DIR}/make_payload.cpp
    DEPENDS ${KESTREL_RESOURCE_DIR}/make_payload.cpp
    COMMENT "Building the payload maker for this machine"
    VERBATIM)
else()
  add_executable(kestrel_make_payload ${KESTREL_RESOURCE_DIR}/make_payload.cpp)
  set(KESTREL_MAKE_PAYLOAD kestrel_make_payload)
endif()

# Generated blocks: "@name" in the list -> size and seed of the stand-in, or the real file that the
# cache option names.
set(KESTREL_GENERATED_payload32.bin_SIZE 4665344)
set(KESTREL_GENERATED_payload32.bin_SEED 300)
set(KESTREL_GENERATED_payload32.bin_OVERRIDE "${KESTREL_PAYLOAD_32}")
set(KESTREL_GENERATED_payload64.bin_SIZE 4838400)
set(KESTREL_GENERATED_payload64.bin_SEED 400)
set(KESTREL_GENERATED_payload64.bin_OVERRIDE "${KESTREL_PAYLOAD_64}")

set(KESTREL_RESOURCE_FILES "")
set(asm_blocks "")
set(asm_table "")
set(rc_blocks "")
set(block_count 0)
file(STRINGS ${KESTREL_EMBED_LIST} embed_lines)
foreach(line IN LISTS embed_lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  if(NOT line MATCHES "^([0-9]+)[ \t]+([0-9]+)[ \t]+([^ \t]+)([ \t]+x11)?$")
    message(FATAL_ERROR "embed.list: expected \"<type> <id> <path> [x11]\", got \"${line}\"")
  endif()
  set(type ${CMAKE_MATCH_1})
  set(id ${CMAKE_MATCH_2})
  set(path "${CMAKE_MATCH_3}")
  if(CMAKE_MATCH_4 AND WIN32)
    continue()
  endif()

  if(path MATCHES "^@(.+)$")
    set(name ${CMAKE_MATCH_1})
    if(NOT DEFINED KESTREL_GENERATED_${name}_SIZE)
      message(FATAL_ERROR "embed.list: the build does not know how to make \"@${name}\"")
    endif()
    if(KESTREL_GENERATED_${name}_OVERRIDE)
      set(path "${KESTREL_GENERATED_${name}_OVERRIDE}")
      if(NOT EXISTS "${path}")
        message(FATAL_ERROR "Payload file \"${path}\" does not exist")
      endif()
    else()
      set(path ${KESTREL_GENERATED_RESOURCE_DIR}/${name})
      add_custom_command(
        OUTPUT ${path}
        COMMAND ${KESTREL_MAKE_PAYLOAD} ${path} ${KESTREL_GENERATED_${name}_SIZE}
                ${KESTREL_GENERATED_${name}_SEED}
        DEPENDS ${KESTREL_MAKE_PAYLOAD}
        COMMENT "Generating stand-in payload ${name}"
        VERBATIM)
    endif()
  else()
    set(path ${KESTREL_RESOURCE_DIR}/${path})
  endif()
  list(APPEND KESTREL_RESOURCE_FILES ${path})

  string(REPLACE "\\" "\\\\" quoted "${path}")
  string(REPLACE "\"" "\\\"" quoted "${quoted}")
  string(APPEND asm_blocks
    "    .balign 64\nkestrel_block_${block_count}:\n    .incbin \"${quoted}\"\n"
    "kestrel_block_${block_count}_end:\n")
  string(APPEND asm_table
    "    .long ${type}, ${id}\n    .quad kestrel_block_${block_count}\n"
    "    .quad kestrel_block_${block_count}_end - kestrel_block_${block_count}\n")
  string(APPEND rc_blocks "${id} ${type} \"${quoted}\"\n")
  math(EXPR block_count "${block_count} + 1")
endforeach()

if(WIN32)
  # For the Win32 backend the blocks are resources of the executable, which
  # Installer/resources/installer.rc.in includes from here.
  set(KESTREL_RESOURCE_RC ${KESTREL_GENERATED_RESOURCE_DIR}/embedded_blocks.rc)
  file(WRITE ${KESTREL_RESOURCE_RC}.new
    "// Generated from Installer/resources/embed.list by cmake/Resources.cmake.\n${rc_blocks}")
  file(COPY_FILE ${KESTREL_RESOURCE_RC}.new ${KESTREL_RESOURCE_RC} ONLY_IF_DIFFERENT)
  set(KESTREL_RESOURCE_SOURCES "")
else()

# The table's layout is EmbeddedBlock in Installer/resources/embedded_blocks.cpp.
set(KESTREL_RESOURCE_ASM ${KESTREL_GENERATED_RESOURCE_DIR}/embedded_blocks.S)
set(asm_text
"/* Generated from Installer/resources/embed.list by cmake/Resources.cmake. */
    .section .rodata.kestrel_blocks,\"a\",@progbits
${asm_blocks}
    .section .data.rel.ro.kestrel_block_table,\"aw\",@progbits
    .balign 8
    .globl kestrel_block_table
    .hidden kestrel_block_table
kestrel_block_table:
${asm_table}
    .section .rodata.kestrel_block_count,\"a\",@progbits
    .balign 4
    .globl kestrel_block_count
    .hidden kestrel_block_count
kestrel_block_count:
    .long ${block_count}
    .section .note.GNU-stack,\"\",@progbits
")
# Rewritten only when it changes, so a fresh configure does not reassemble the payloads.
file(WRITE ${KESTREL_RESOURCE_ASM}.new "${asm_text}")
file(COPY_FILE ${KESTREL_RESOURCE_ASM}.new ${KESTREL_RESOURCE_ASM} ONLY_IF_DIFFERENT)
set_source_files_properties(${KESTREL_RESOURCE_ASM} PROPERTIES
  LANGUAGE ASM OBJECT_DEPENDS "${KESTREL_RESOURCE_FILES}")
set(KESTREL_RESOURCE_SOURCES ${KESTREL_RESOURCE_ASM})
endif()

add_custom_target(kestrel_resource_files DEPENDS ${KESTREL_RESOURCE_FILES})

function(kestrel_add_resource_dependencies target)
  add_dependencies(${target} kestrel_resource_files)
  target_compile_definitions(${target} PUBLIC
    KESTREL_GENERATED_RESOURCE_DIR="${KESTREL_GENERATED_RESOURCE_DIR}")
endfunction()
