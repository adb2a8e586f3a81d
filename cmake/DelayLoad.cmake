# Import libraries that delay-load version.dll and msi.dll: they are not among the
# DLLs that Windows always takes from the system folder, so they must not be loaded
# before the program has restricted the DLL search path.
set(OV_DELAY_DLLS
  "version|GetFileVersionInfoSizeW@8 GetFileVersionInfoW@16 VerQueryValueW@16"
  "msi|MsiOpenDatabaseW@12 MsiDatabaseOpenViewW@12 MsiViewExecute@8 MsiViewFetch@8 MsiRecordGetStringW@16 MsiViewClose@4 MsiCloseHandle@4 MsiEnumRelatedProductsW@16 MsiGetProductInfoW@16")
find_program(OV_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool REQUIRED)
set(OV_DELAY_LIBS)
foreach(entry ${OV_DELAY_DLLS})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 dll)
  list(GET parts 1 exports)
  string(REPLACE " " ";" exports "${exports}")
  set(def "LIBRARY ${dll}.dll\nEXPORTS\n")
  foreach(e ${exports})
    if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(REGEX REPLACE "@[0-9]+$" "" e "${e}")
    endif()
    string(APPEND def "  ${e}\n")
  endforeach()
  set(def_file ${CMAKE_BINARY_DIR}/delay/${dll}.def)
  file(WRITE ${def_file} "${def}")
  set(lib ${CMAKE_BINARY_DIR}/delay/lib${dll}_delay.a)
  set(kill_at)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kill_at --kill-at)
  endif()
  add_custom_command(OUTPUT ${lib}
    COMMAND ${OV_DLLTOOL} --input-def ${def_file} --dllname ${dll}.dll ${kill_at} --output-delaylib ${lib}
    DEPENDS ${def_file} VERBATIM)
  list(APPEND OV_DELAY_LIBS ${lib})
endforeach()
add_custom_target(ov_delay_libs DEPENDS ${OV_DELAY_LIBS})
