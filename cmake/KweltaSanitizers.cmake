# -DKWELTA_SANITIZE=ON builds everything with AddressSanitizer and UndefinedBehaviorSanitizer.
# Undefined behaviour aborts instead of printing and carrying on, so a test run cannot pass over it.
option(KWELTA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

if(KWELTA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
