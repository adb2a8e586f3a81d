# End-to-end tests under Wine, run from the host build against the programs of the
# windows-x64 build. They skip when that build has no Setup.exe.
set(OV_WINE_BIN ${CMAKE_SOURCE_DIR}/build/windows-x64/bin)
foreach(mode smoke cases)
  if(mode STREQUAL "smoke")
    set(args --only-smoke)
  else()
    set(args)
  endif()
  add_test(NAME wine_${mode}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/run_case.py --bin ${OV_WINE_BIN}
            --work ${CMAKE_SOURCE_DIR}/build/wine ${args})
  set_tests_properties(wine_${mode} PROPERTIES LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 840 RUN_SERIAL TRUE)
endforeach()
