# Warnings for our own targets only; Qt and the system headers come in as system includes.
function(kwelta_set_warnings target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
        $<$<BOOL:${KWELTA_WERROR}>:-Werror>)
endfunction()

option(KWELTA_WERROR "Treat warnings in our code as errors" OFF)

# Release builds: hidden symbols and the usual hardening.
add_compile_options(
    $<$<CONFIG:Release,RelWithDebInfo>:-fvisibility=hidden>
    $<$<CONFIG:Release,RelWithDebInfo>:-fstack-protector-strong>
    $<$<CONFIG:Release,RelWithDebInfo>:-D_FORTIFY_SOURCE=2>)
add_link_options($<$<CONFIG:Release,RelWithDebInfo>:-Wl,-z,relro,-z,now>)
