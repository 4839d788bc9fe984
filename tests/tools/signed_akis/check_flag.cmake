# The build's signature flag: "1" only when every DLL given carries a certificate table. Two signed test DLLs
# give 1; the unsigned stand-in beside a signed one gives 0.
set(_flag ${OUT_DIR}/payload-signed-test.txt)
foreach(_case "1;${SIGNED_64};${SIGNED_86}" "0;${PAYLOAD_32};${SIGNED_86}")
  list(POP_FRONT _case _expected)
  execute_process(COMMAND ${TOOL} --signature-out ${_flag} ${_case} RESULT_VARIABLE _rc OUTPUT_QUIET)
  file(READ ${_flag} _got)
  if(NOT _rc EQUAL 0 OR NOT _got STREQUAL _expected)
    message(FATAL_ERROR "signature flag for ${_case}: exit ${_rc}, flag '${_got}', expected '${_expected}'")
  endif()
endforeach()
