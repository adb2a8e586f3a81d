# End-to-end tests under Wine, run from the host build: the shipped Setup.exe of the
# windows-x86 build under WOW64, with the test programs of both Windows builds. The
# environment variable OV_WINE_ARCH=x64 (set by tools/test where the kernel cannot run
# 32-bit programs) tests the windows-x64 Setup.exe instead. They skip when the build under
# test has no Setup.exe.
set(OV_WINE_BIN ${CMAKE_SOURCE_DIR}/build/windows-x64/bin)
set(OV_WINE_BIN32 ${CMAKE_SOURCE_DIR}/build/windows-x86/bin)
foreach(mode smoke cases)
  if(mode STREQUAL "smoke")
    set(args --only-smoke)
  else()
    set(args)
  endif()
  add_test(NAME wine_${mode}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/run_case.py --bin64 ${OV_WINE_BIN} --bin32 ${OV_WINE_BIN32}
            --work ${CMAKE_SOURCE_DIR}/build/wine ${args})
  set_tests_properties(wine_${mode} PROPERTIES LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 1200 RUN_SERIAL TRUE)
endforeach()
