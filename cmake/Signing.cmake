# The `sign` target: Authenticode-signs the program with osslsigncode (SHA-256) into
# <build>/release/kestrel-installer-<release>.exe. The certificate and key come from these cache
# variables or, when they are empty, from environment variables of the same names at build time;
# nothing of them is kept in the build folder. See the README's "Releasing".

set(KESTREL_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate chain (PEM or DER) for `sign`")
set(KESTREL_SIGN_KEY "" CACHE FILEPATH "Private key of the code-signing certificate for `sign`")
set(KESTREL_SIGN_PASSWORD_FILE "" CACHE FILEPATH
    "File whose first line is the key's password, if the key has one")
set(KESTREL_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamp server, so that the signature outlives the certificate")

set(KESTREL_SIGNED_PROGRAM ${CMAKE_BINARY_DIR}/release/kestrel-installer-${KESTREL_RELEASE_VERSION}.exe)
add_custom_target(sign
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:kestrel-installer>
          -DSIGNED=${KESTREL_SIGNED_PROGRAM} "-DDESCRIPTION=Kestrel 3D installer"
          -DCERT=${KESTREL_SIGN_CERT} -DKEY=${KESTREL_SIGN_KEY}
          -DPASSWORD_FILE=${KESTREL_SIGN_PASSWORD_FILE}
          -DTIMESTAMP_URL=${KESTREL_SIGN_TIMESTAMP_URL} -P ${CMAKE_SOURCE_DIR}/cmake/sign.cmake
  DEPENDS kestrel-installer
  COMMENT "Signing kestrel-installer-${KESTREL_RELEASE_VERSION}.exe"
  VERBATIM)
