# Which source file goes into which library, by name:
#   Foo.cpp          portable core, both builds
#   FooPosix.cpp     core, native build only   } the two sides of a small
#   FooWindows.cpp   core, windows build only  } platform seam (the clock)
#   FooWin32.cpp     the Win32 edge: kestrel_win32, windows build only
# app/Main.cpp is the program's entry point and goes into neither.
set(_kestrel_core_dirs log packet views capturefile config capture app)
set(KESTREL_CORE_SOURCES "")
set(KESTREL_WIN32_SOURCES "")
foreach(dir IN LISTS _kestrel_core_dirs)
  file(GLOB _files CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp")
  list(FILTER _files EXCLUDE REGEX "/app/Main\\.cpp$")
  foreach(f IN LISTS _files)
    if(f MATCHES "Win32\\.cpp$")
      list(APPEND KESTREL_WIN32_SOURCES "${f}")
    elseif(f MATCHES "Posix\\.cpp$")
      if(NOT WIN32)
        list(APPEND KESTREL_CORE_SOURCES "${f}")
      endif()
    elseif(f MATCHES "Windows\\.cpp$")
      if(WIN32)
        list(APPEND KESTREL_CORE_SOURCES "${f}")
      endif()
    else()
      list(APPEND KESTREL_CORE_SOURCES "${f}")
    endif()
  endforeach()
endforeach()

# Removes from the list in `var` the files of the other platform's side of a
# seam (FooPosix.cpp in the windows build, FooWindows.cpp in the native one),
# for folders outside the core that follow the same naming.
function(kestrel_keep_platform_sources var)
  set(files ${${var}})
  if(WIN32)
    list(FILTER files EXCLUDE REGEX "Posix(_test)?\\.cpp$")
  else()
    list(FILTER files EXCLUDE REGEX "Windows(_test)?\\.cpp$")
  endif()
  set(${var} ${files} PARENT_SCOPE)
endfunction()
