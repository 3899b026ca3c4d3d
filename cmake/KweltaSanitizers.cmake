# -DKWELTA_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
# Undefined behaviour aborts instead of printing and carrying on, so a test run cannot pass over it.
option(KWELTA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(KWELTA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)

    # The tests' environment and failure patterns (tests/CMakeLists.txt sets both on every test).
    # Reports stay on stderr, which the programs a test starts forward to it: GCC's UBSan runtime
    # ignores log_path, and a child that aborts while its test stops it leaves the test's exit code
    # alone, so the report in the output is what fails the test. Leak detection stays on; the
    # suppressions name only libraries that are not ours.
    set(KWELTA_SANITIZER_ENVIRONMENT
        "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1"
        "UBSAN_OPTIONS=halt_on_error=1:abort_on_error=1:print_stacktrace=1"
        "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
    set(KWELTA_SANITIZER_REPORT_PATTERNS "ERROR: AddressSanitizer" "ERROR: LeakSanitizer" "runtime error: ")
endif()

option(KWELTA_BUILD_FUZZERS "Build the libFuzzer targets (clang only)" OFF)

# Fuzzing instruments every library; only the fuzzer executables link libFuzzer's main.
if(KWELTA_BUILD_FUZZERS)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
