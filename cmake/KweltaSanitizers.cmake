# -DKWELTA_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
# Undefined behaviour aborts instead of printing and carrying on, so a test run cannot pass over it.
option(KWELTA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(KWELTA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

option(KWELTA_BUILD_FUZZERS "Build the libFuzzer targets (clang only)" OFF)

# Fuzzing instruments every library; only the fuzzer executables link libFuzzer's main.
if(KWELTA_BUILD_FUZZERS)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
