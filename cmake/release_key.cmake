# The release key compiled into a program file.
#
# dm_release_key_source(PEM OUT): writes the C++ source OUT that defines
# dm::kReleasePublicKey from PEM, an ECDSA P-256 public key (openssl's
# "-----BEGIN PUBLIC KEY-----" form). A file that holds no such key stops
# the configuration: a program must never be built trusting nothing, or
# something else.
#
# dm_test_key_pair(FOLDER): a throwaway pair for the tests in FOLDER
# (release-test.pem and release-test.pub.pem), made once per build tree.
find_program(DM_OPENSSL openssl)

function(dm_release_key_source pem out)
  if(NOT DM_OPENSSL)
    message(FATAL_ERROR "openssl is needed to read the release key (scripts/setup-debian.sh installs it)")
  endif()
  if(NOT EXISTS "${pem}")
    message(FATAL_ERROR "UPDATE_KEY: no such file: ${pem}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${pem}")
  execute_process(COMMAND ${DM_OPENSSL} ec -pubin -in "${pem}" -outform DER -conv_form uncompressed
                          -out "${out}.der"
                  RESULT_VARIABLE result ERROR_VARIABLE error OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "UPDATE_KEY: ${pem} is no EC public key in PEM form:\n${error}")
  endif()
  file(READ "${out}.der" der HEX)
  file(REMOVE "${out}.der")
  # SubjectPublicKeyInfo of id-ecPublicKey on prime256v1, an uncompressed
  # point: this prefix, then X and Y.
  set(p256_prefix "3059301306072a8648ce3d020106082a8648ce3d03010703420004")
  string(LENGTH "${der}" length)
  string(SUBSTRING "${der}" 0 54 prefix)
  if(NOT length EQUAL 182 OR NOT prefix STREQUAL p256_prefix)
    message(FATAL_ERROR "UPDATE_KEY: ${pem} is not an ECDSA P-256 (prime256v1) public key")
  endif()
  string(SUBSTRING "${der}" 54 128 point)
  string(REGEX REPLACE "(..)" "0x\\1, " bytes "${point}")
  set(text "// Made from ${pem}; do not edit.\n#include \"update/release_key.h\"\n\nnamespace dm {\n\n")
  string(APPEND text "const uint8_t kReleasePublicKey[64] = {${bytes}};\n\n}  // namespace dm\n")
  file(CONFIGURE OUTPUT "${out}" CONTENT "${text}" @ONLY)
endfunction()

function(dm_test_key_pair folder)
  if(NOT DM_OPENSSL)
    message(FATAL_ERROR "openssl is needed for the tests' throwaway key (scripts/setup-debian.sh installs it)")
  endif()
  if(EXISTS "${folder}/release-test.pub.pem")
    return()
  endif()
  file(MAKE_DIRECTORY "${folder}")
  execute_process(COMMAND ${DM_OPENSSL} ecparam -name prime256v1 -genkey -noout -out "${folder}/release-test.pem"
                  RESULT_VARIABLE made ERROR_QUIET)
  execute_process(COMMAND ${DM_OPENSSL} ec -in "${folder}/release-test.pem" -pubout
                          -out "${folder}/release-test.pub.pem"
                  RESULT_VARIABLE published ERROR_QUIET)
  if(NOT made EQUAL 0 OR NOT published EQUAL 0)
    message(FATAL_ERROR "openssl could not make the tests' throwaway key in ${folder}")
  endif()
endfunction()
