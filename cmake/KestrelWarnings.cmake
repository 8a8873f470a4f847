# Compiler settings every target of the project shares.

# Sources are UTF-8; narrow string literals are code page 932 in the native and
# the windows build, so texts compare byte for byte with what the program writes.
# clang has no CP932 execution character set: the fuzz build keeps UTF-8
# literals, which does not change what the fuzzers exercise.
# libstdc++'s full <chrono> holds a literal "µs" that CP932 cannot encode, so
# project files take std::chrono from <thread>, <mutex> or <condition_variable>.
function(kestrel_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -finput-charset=UTF-8 -fexec-charset=CP932)
  endif()
  if(KESTREL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(KESTREL_SANITIZE)
    target_compile_options(${target} PUBLIC -fsanitize=address,undefined -fno-omit-frame-pointer
                                            -fno-sanitize-recover=undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
  if(KESTREL_FUZZ)
    target_compile_options(${target} PUBLIC -fsanitize=fuzzer-no-link,address,undefined)
    target_link_options(${target} PUBLIC -fsanitize=address,undefined)
  endif()
  if(WIN32)
    target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    target_link_options(${target} PUBLIC -static)
  endif()
endfunction()
