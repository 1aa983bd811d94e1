# cmake -DPROGRAM=<exe> -DSIGNED=<signed exe> -DDESCRIPTION=<text> [-DCERT=<file>] [-DKEY=<file>]
#       [-DPASSWORD_FILE=<file>] [-DTIMESTAMP_URL=<url>] -P sign.cmake
#
# Signs PROGRAM with osslsigncode (Authenticode, SHA-256) into SIGNED, leaving PROGRAM as it is.
# An option left empty is taken from the environment: KESTREL_SIGN_CERT, KESTREL_SIGN_KEY,
# KESTREL_SIGN_PASSWORD_FILE, KESTREL_SIGN_TIMESTAMP_URL.
cmake_minimum_required(VERSION 3.22)

foreach(option CERT KEY PASSWORD_FILE TIMESTAMP_URL)
  if("${${option}}" STREQUAL "")
    set(${option} "$ENV{KESTREL_SIGN_${option}}")
  endif()
endforeach()
if(CERT STREQUAL "" OR KEY STREQUAL "")
  message(FATAL_ERROR "Signing needs a certificate and its key: set KESTREL_SIGN_CERT and "
                      "KESTREL_SIGN_KEY (cache variables or environment)")
endif()
foreach(file CERT KEY PASSWORD_FILE)
  if(NOT "${${file}}" STREQUAL "" AND NOT EXISTS "${${file}}")
    message(FATAL_ERROR "KESTREL_SIGN_${file}: no file \"${${file}}\"")
  endif()
endforeach()

find_program(OSSLSIGNCODE osslsigncode REQUIRED)
set(command ${OSSLSIGNCODE} sign -certs ${CERT} -key ${KEY} -h sha256 -n ${DESCRIPTION})
if(NOT PASSWORD_FILE STREQUAL "")
  list(APPEND command -readpass ${PASSWORD_FILE})
endif()
if(NOT TIMESTAMP_URL STREQUAL "")
  list(APPEND command -ts ${TIMESTAMP_URL})
endif()

# Written beside the target and renamed, so that a failed run leaves no half-signed file.
get_filename_component(folder ${SIGNED} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
file(REMOVE ${SIGNED}.partial)
execute_process(COMMAND ${command} -in ${PROGRAM} -out ${SIGNED}.partial RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${SIGNED}.partial)
  message(FATAL_ERROR "osslsigncode could not sign ${PROGRAM}")
endif()
file(RENAME ${SIGNED}.partial ${SIGNED})
