# The platform tests of the library built for Windows and run against real Win32 under
# Wine, one entry per area and build: wine_platform_<area> runs the x86 program, a 32-bit
# process under WOW64 as the product is; wine_platform_x64_<area> the x64 one. Each copies
# a template prefix of its own and ends its own wineserver; an entry skips (77) when its
# program is not built or, for x86, when this machine cannot run 32-bit programs.
set(OV_PLATFORM_AREAS
  "resources|LoadResourceString.*"
  "log|LogFile.*"
  "registry|RegistryViews.*"
  "wow64|Wow64.*"
  "dll_loading|DllLoading.*:Handles.*"
  "file_versions|FileVersion.*"
  "processes|RunningProcesses.*"
  "processors|Processors.*"
  "temp_folder|SetupTempFolder.*"
  "settings_sharing|SettingsSharing.*"
  "related_products|RelatedProducts.*"
  "process_waits|ProcessWaits.*"
  "token_privileges|TokenPrivileges.*"
  "unc_paths|UncPaths.*"
  "folder_links|FolderLinks.*"
  "format_messages|FormatMessages.*")
foreach(build x86 x64)
  if(build STREQUAL "x86")
    set(entry wine_platform)
  else()
    set(entry wine_platform_x64)
  endif()
  foreach(area ${OV_PLATFORM_AREAS})
    string(REPLACE "|" ";" parts "${area}")
    list(GET parts 0 name)
    list(GET parts 1 filter)
    add_test(NAME ${entry}_${name}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/wine/run_platform.py
              --bin ${CMAKE_SOURCE_DIR}/build/windows-${build}/bin --stub-bin ${CMAKE_SOURCE_DIR}/build/windows-x64/bin
              --work ${CMAKE_SOURCE_DIR}/build/wine/platform --area ${build}-${name} --filter ${filter} --timeout 180)
    set_tests_properties(${entry}_${name} PROPERTIES LABELS wine SKIP_RETURN_CODE 77 TIMEOUT 300)
  endforeach()
endforeach()
