# Runs the bitmap generator into OUTPUT_DIR and fails unless every file it writes is byte-identical to the
# committed copy in COMMITTED_DIR, and every committed bitmap is still written.
file(REMOVE_RECURSE ${OUTPUT_DIR})
execute_process(COMMAND ${GENERATOR} ${OUTPUT_DIR} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "make_bitmaps failed: ${status}")
endif()

file(GLOB generated RELATIVE ${OUTPUT_DIR} ${OUTPUT_DIR}/*.bmp)
file(GLOB committed RELATIVE ${COMMITTED_DIR} ${COMMITTED_DIR}/*.bmp)
list(SORT generated)
list(SORT committed)
if(NOT generated STREQUAL committed)
  message(FATAL_ERROR "generated files (${generated}) differ from committed ones (${committed})")
endif()
foreach(name IN LISTS generated)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT_DIR}/${name} ${COMMITTED_DIR}/${name}
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${name} differs from the committed copy; run make_bitmaps panel/resources and commit")
  endif()
endforeach()
