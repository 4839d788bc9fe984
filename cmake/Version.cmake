# The program's version, written here and nowhere else. CMake passes it to the project, the version resource and
# the manifest (resources/app.rc, resources/app.manifest.in) and to the code (generated program_version.h: log
# records, report). The native test build reads this file too.
set(TAVLUN_VERSION 1.4.0.0)

# Writes <dir>/program_version.h and, for the resource compiler, <dir>/app.manifest.
function(tavlun_generate_version_files dir)
  string(REPLACE "." ";" _parts "${TAVLUN_VERSION}")
  list(GET _parts 0 TAVLUN_VERSION_MAJOR)
  list(GET _parts 1 TAVLUN_VERSION_MINOR)
  list(GET _parts 2 TAVLUN_VERSION_PATCH)
  string(REPLACE "." "," TAVLUN_VERSION_COMMAS "${TAVLUN_VERSION}")
  set(TAVLUN_VERSION_SHORT "${TAVLUN_VERSION_MAJOR}.${TAVLUN_VERSION_MINOR}.${TAVLUN_VERSION_PATCH}")
  get_filename_component(_root "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/.." ABSOLUTE)
  configure_file(${_root}/cmake/program_version.h.in ${dir}/program_version.h @ONLY)
  configure_file(${_root}/resources/app.manifest.in ${dir}/app.manifest @ONLY)
endfunction()
