# The two akisp11.dll builds embedded as RCDATA 101 (32-bit) and 105 (64-bit).
#
# Default: stand-in DLLs built from resources/standin, whose size and SHA-256 are measured at build time.
# Vendor build: -DTAVLUN_VENDOR_PAYLOAD_DIR=<folder> with the published 3.4.2 files; they must have exactly the
# published sizes and SHA-256 values, otherwise configuration stops.
set(TAVLUN_PUBLISHED_32_SIZE 4250752)
set(TAVLUN_PUBLISHED_32_SHA256 D77EA21B532F7112A1031C71F17123CD1702F8E4161EACBBD55EF9F4998706ED)
set(TAVLUN_PUBLISHED_64_SIZE 5106816)
set(TAVLUN_PUBLISHED_64_SHA256 2CE5501D2BB76845F1C89C7A8BB3229C7CF6ECAB8172E7BBF98C259E925D1429)

set(TAVLUN_PAYLOAD_HEADER ${CMAKE_BINARY_DIR}/generated/payload_constants.h)
set(TAVLUN_PAYLOAD_DIR ${CMAKE_BINARY_DIR}/payload)
file(MAKE_DIRECTORY ${TAVLUN_PAYLOAD_DIR} ${CMAKE_BINARY_DIR}/generated)

if(TAVLUN_VENDOR_PAYLOAD_DIR)
  # Find each published build among the folder's DLLs by its size and digest.
  file(GLOB_RECURSE _candidates LIST_DIRECTORIES false "${TAVLUN_VENDOR_PAYLOAD_DIR}/*.dll" "${TAVLUN_VENDOR_PAYLOAD_DIR}/*.DLL")
  set(_found32 "")
  set(_found64 "")
  set(_seen "")
  foreach(_file IN LISTS _candidates)
    file(SIZE "${_file}" _size)
    file(SHA256 "${_file}" _hash)
    string(TOUPPER "${_hash}" _hash)
    string(APPEND _seen "\n  ${_file}: ${_size} bytes, SHA-256 ${_hash}")
    if(_size EQUAL TAVLUN_PUBLISHED_32_SIZE AND _hash STREQUAL TAVLUN_PUBLISHED_32_SHA256)
      set(_found32 "${_file}")
    elseif(_size EQUAL TAVLUN_PUBLISHED_64_SIZE AND _hash STREQUAL TAVLUN_PUBLISHED_64_SHA256)
      set(_found64 "${_file}")
    endif()
  endforeach()
  if(NOT _found32 OR NOT _found64)
    message(FATAL_ERROR "TAVLUN_VENDOR_PAYLOAD_DIR=${TAVLUN_VENDOR_PAYLOAD_DIR} does not hold both published akisp11.dll 3.4.2 builds.\n"
      "Expected 32-bit: ${TAVLUN_PUBLISHED_32_SIZE} bytes, SHA-256 ${TAVLUN_PUBLISHED_32_SHA256}\n"
      "Expected 64-bit: ${TAVLUN_PUBLISHED_64_SIZE} bytes, SHA-256 ${TAVLUN_PUBLISHED_64_SHA256}\n"
      "Found:${_seen}\n"
      "The files must be the published builds, unchanged.")
  endif()
  set(TAVLUN_PAYLOAD_32 ${TAVLUN_PAYLOAD_DIR}/akisp11_32.dll)
  set(TAVLUN_PAYLOAD_64 ${TAVLUN_PAYLOAD_DIR}/akisp11_64.dll)
  configure_file("${_found32}" ${TAVLUN_PAYLOAD_32} COPYONLY)
  configure_file("${_found64}" ${TAVLUN_PAYLOAD_64} COPYONLY)
  set(TAVLUN_PAYLOAD_KIND vendor)
  message(STATUS "Embedding the published akisp11.dll builds from ${TAVLUN_VENDOR_PAYLOAD_DIR}")
else()
  set(TAVLUN_PAYLOAD_KIND standin)
  set(TAVLUN_PAYLOAD_32 ${TAVLUN_PAYLOAD_DIR}/akisp11_32.dll)
  set(TAVLUN_PAYLOAD_64 ${TAVLUN_PAYLOAD_DIR}/akisp11_64.dll)
  set(_standin ${CMAKE_SOURCE_DIR}/resources/standin)
  set(_standin_deps ${_standin}/akisp11_standin.c ${_standin}/akisp11_standin.rc ${_standin}/akisp11_standin.def)
  if(MSVC)
    # Visual Studio cannot build the 64-bit stand-in inside a 32-bit configuration: take the pair that a MinGW
    # build made (its build/payload folder).
    set(TAVLUN_STANDIN_PAYLOAD_DIR "" CACHE PATH "Folder with akisp11_32.dll and akisp11_64.dll stand-ins (MSVC builds)")
    if(NOT EXISTS "${TAVLUN_STANDIN_PAYLOAD_DIR}/akisp11_32.dll" OR NOT EXISTS "${TAVLUN_STANDIN_PAYLOAD_DIR}/akisp11_64.dll")
      message(FATAL_ERROR "With MSVC pass TAVLUN_VENDOR_PAYLOAD_DIR, or TAVLUN_STANDIN_PAYLOAD_DIR naming the payload "
        "folder of a MinGW build (it holds akisp11_32.dll and akisp11_64.dll).")
    endif()
    configure_file("${TAVLUN_STANDIN_PAYLOAD_DIR}/akisp11_32.dll" ${TAVLUN_PAYLOAD_32} COPYONLY)
    configure_file("${TAVLUN_STANDIN_PAYLOAD_DIR}/akisp11_64.dll" ${TAVLUN_PAYLOAD_64} COPYONLY)
  else()
    # Reproducible: no time stamp, no debug data, fixed image base (ld's automatic base is a hash of the output
    # path, which differs between build folders); the digest changes only with the source.
    set(_dll_flags -shared -nostdlib -O2 -s -Wl,--no-insert-timestamp -Wl,--disable-auto-image-base
        -Wl,--enable-stdcall-fixup -Wl,--no-seh -fno-asynchronous-unwind-tables)
    add_custom_command(OUTPUT ${TAVLUN_PAYLOAD_32}
      COMMAND ${CMAKE_RC_COMPILER} -c 65001 -F pe-i386 -O coff -i ${_standin}/akisp11_standin.rc -o ${TAVLUN_PAYLOAD_DIR}/standin32.res
      COMMAND ${CMAKE_C_COMPILER} ${_dll_flags} -Wl,-e,_DllMain@12 -o ${TAVLUN_PAYLOAD_32}
              ${_standin}/akisp11_standin.c ${_standin}/akisp11_standin.def ${TAVLUN_PAYLOAD_DIR}/standin32.res -lkernel32
      DEPENDS ${_standin_deps}
      COMMENT "Building the 32-bit stand-in akisp11.dll" VERBATIM)
    add_custom_command(OUTPUT ${TAVLUN_PAYLOAD_64}
      COMMAND ${TAVLUN_X64_RC_COMPILER} -c 65001 -F pe-x86-64 -O coff -i ${_standin}/akisp11_standin.rc -o ${TAVLUN_PAYLOAD_DIR}/standin64.res
      COMMAND ${TAVLUN_X64_C_COMPILER} ${_dll_flags} -Wl,-e,DllMain -o ${TAVLUN_PAYLOAD_64}
              ${_standin}/akisp11_standin.c ${_standin}/akisp11_standin.def ${TAVLUN_PAYLOAD_DIR}/standin64.res -lkernel32
      DEPENDS ${_standin_deps}
      COMMENT "Building the 64-bit stand-in akisp11.dll" VERBATIM)
  endif()
endif()

# Both builds, the vendor's as well as the stand-ins, must import nothing but Windows system DLLs: the runtime row
# of the check says that no separate Visual C++ runtime is needed. A small program built for the build machine from
# the program's own PE reader (integrity/pe_imports.cpp) reads their import tables; a runtime import stops the build.
# It also reads each one's version resource: a version other than kPayloadVersion (integrity/payload.h, which every
# user text names) stops the build as well.
set(TAVLUN_IMPORT_CHECK_SOURCES
  ${CMAKE_SOURCE_DIR}/cmake/payload_import_check.cpp
  ${CMAKE_SOURCE_DIR}/integrity/pe_imports.cpp
  ${CMAKE_SOURCE_DIR}/integrity/pe_headers.cpp
  ${CMAKE_SOURCE_DIR}/integrity/authenticode.cpp
  ${CMAKE_SOURCE_DIR}/core/text.cpp)
if(CMAKE_CROSSCOMPILING)
  find_program(TAVLUN_HOST_CXX NAMES c++ g++ clang++ REQUIRED
    DOC "C++ compiler for the build machine (the payload import check)")
  set(TAVLUN_IMPORT_CHECK ${CMAKE_BINARY_DIR}/host/payload_import_check)
  add_custom_command(OUTPUT ${TAVLUN_IMPORT_CHECK}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${TAVLUN_HOST_CXX} -std=c++17 -O1 -I${CMAKE_SOURCE_DIR} -o ${TAVLUN_IMPORT_CHECK} ${TAVLUN_IMPORT_CHECK_SOURCES}
    DEPENDS ${TAVLUN_IMPORT_CHECK_SOURCES} ${CMAKE_SOURCE_DIR}/integrity/pe_imports.h
            ${CMAKE_SOURCE_DIR}/integrity/pe_headers.h ${CMAKE_SOURCE_DIR}/integrity/little_endian.h
            ${CMAKE_SOURCE_DIR}/integrity/authenticode.h
            ${CMAKE_SOURCE_DIR}/core/text.h ${CMAKE_SOURCE_DIR}/integrity/payload.h
    COMMENT "Building the payload import check for the build machine" VERBATIM)
  add_custom_target(tavlun_payload_import_check DEPENDS ${TAVLUN_IMPORT_CHECK})
else()
  add_executable(tavlun_payload_import_check ${TAVLUN_IMPORT_CHECK_SOURCES})
  target_include_directories(tavlun_payload_import_check PRIVATE ${CMAKE_SOURCE_DIR})
  if(MSVC)
    target_compile_options(tavlun_payload_import_check PRIVATE /utf-8)  # the sources hold Turkish texts
  endif()
  set(TAVLUN_IMPORT_CHECK $<TARGET_FILE:tavlun_payload_import_check>)
endif()
set(TAVLUN_PAYLOAD_IMPORTS_STAMP ${TAVLUN_PAYLOAD_DIR}/imports-checked.stamp)
# "1" when both embedded files carry an Authenticode signature (certificate table), read by the same check.
set(TAVLUN_PAYLOAD_SIGNED_FILE ${TAVLUN_PAYLOAD_DIR}/payload-signed.txt)
add_custom_command(OUTPUT ${TAVLUN_PAYLOAD_IMPORTS_STAMP} ${TAVLUN_PAYLOAD_SIGNED_FILE}
  COMMAND ${TAVLUN_IMPORT_CHECK} --payload --signature-out ${TAVLUN_PAYLOAD_SIGNED_FILE} ${TAVLUN_PAYLOAD_32} ${TAVLUN_PAYLOAD_64}
  COMMAND ${CMAKE_COMMAND} -E touch ${TAVLUN_PAYLOAD_IMPORTS_STAMP}
  DEPENDS ${TAVLUN_PAYLOAD_32} ${TAVLUN_PAYLOAD_64} tavlun_payload_import_check
  COMMENT "Checking that the embedded DLLs import no separate C/C++ runtime and carry kPayloadVersion" VERBATIM)

add_custom_command(OUTPUT ${TAVLUN_PAYLOAD_HEADER}
  COMMAND ${CMAKE_COMMAND} -DKIND=${TAVLUN_PAYLOAD_KIND} -DDLL32=${TAVLUN_PAYLOAD_32} -DDLL64=${TAVLUN_PAYLOAD_64}
          -DSIGNED_FILE=${TAVLUN_PAYLOAD_SIGNED_FILE}
          -DOUT=${TAVLUN_PAYLOAD_HEADER} -P ${CMAKE_SOURCE_DIR}/cmake/GeneratePayloadConstants.cmake
  DEPENDS ${TAVLUN_PAYLOAD_32} ${TAVLUN_PAYLOAD_64} ${TAVLUN_PAYLOAD_SIGNED_FILE}
          ${CMAKE_SOURCE_DIR}/cmake/GeneratePayloadConstants.cmake
  COMMENT "Measuring the embedded payloads" VERBATIM)
add_custom_target(tavlun_payload_constants DEPENDS ${TAVLUN_PAYLOAD_HEADER} ${TAVLUN_PAYLOAD_IMPORTS_STAMP})
