# Installs the OPC UA test server into a folder of the build tree: copies the server's files
# there and runs `npm ci` from the committed lock file when the lock differs from the one last
# installed there. Never installs into the source tree.
# Usage: cmake -DSOURCE=<this folder> -DDESTINATION=<folder> -DNPM=<npm> [-DTIMEOUT=<s>] -P install_server.cmake
cmake_minimum_required(VERSION 3.25)

foreach(required SOURCE DESTINATION NPM)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "install_server.cmake needs -D${required}=...")
  endif()
endforeach()
if(NOT DEFINED TIMEOUT)
  set(TIMEOUT 540)
endif()
get_filename_component(source "${SOURCE}" REALPATH)
get_filename_component(destination "${DESTINATION}" ABSOLUTE)
if(destination STREQUAL source OR destination MATCHES "^${source}/")
  message(FATAL_ERROR "the test server is installed into the build tree, not into ${source}")
endif()

set(server_files package.json package-lock.json opcua_test_server.js check_lock_engines.js
                 check_address_space.js)
file(MAKE_DIRECTORY "${destination}")
foreach(name IN LISTS server_files)
  file(COPY_FILE "${source}/${name}" "${destination}/${name}" ONLY_IF_DIFFERENT)
endforeach()

# The lock that the present node_modules was installed from, kept beside it once npm ci is done.
set(installed_lock "${destination}/node_modules/.rozovevi-installed-lock.json")
if(EXISTS "${installed_lock}")
  file(SHA256 "${installed_lock}" installed_hash)
  file(SHA256 "${destination}/package-lock.json" wanted_hash)
  if(installed_hash STREQUAL wanted_hash)
    message(STATUS "the test server in ${destination} is installed from this lock file")
    return()
  endif()
endif()

message(STATUS "npm ci in ${destination}")
execute_process(
  COMMAND "${NPM}" ci --no-audit --no-fund --prefer-offline
  WORKING_DIRECTORY "${destination}"
  TIMEOUT ${TIMEOUT}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "npm ci failed in ${destination}: ${result}")
endif()
file(COPY_FILE "${destination}/package-lock.json" "${installed_lock}")
