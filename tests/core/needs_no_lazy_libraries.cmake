# cmake -DREADELF=readelf -DFILES=a|b -P needs_no_lazy_libraries.cmake
# Fails when one of the files names, among the libraries it needs at start-up, one that the
# codecs open on first use: libheif, LibRaw, libjxl (with libhwy) or libtiff.
string(REPLACE "|" ";" files "${FILES}")
foreach(file IN LISTS files)
  execute_process(COMMAND ${READELF} -d ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${READELF} -d ${file} failed")
  endif()
  # A file read right names the C library; a check that saw nothing would pass otherwise.
  if(NOT dynamic MATCHES "\\(NEEDED\\)[^\n]*libc\\.so")
    message(FATAL_ERROR "${file}: no libraries needed, according to ${READELF}")
  endif()
  foreach(library libheif libraw libjxl libhwy libtiff)
    if(dynamic MATCHES "\\(NEEDED\\)[^\n]*${library}")
      message(FATAL_ERROR "${file} needs ${library} at start-up; it must be opened on first use")
    endif()
  endforeach()
endforeach()
