# Every target links kestrel_flags: language level, warnings and Qt hygiene.
add_library(kestrel_flags INTERFACE)

target_compile_features(kestrel_flags INTERFACE cxx_std_20)
target_compile_options(kestrel_flags INTERFACE
    -Wall -Wextra -Wnon-virtual-dtor -Woverloaded-virtual -Wshadow)
target_compile_definitions(kestrel_flags INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CONTEXTLESS_CONNECT
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER)

if(KESTREL_SANITIZE AND KESTREL_SANITIZE_THREAD)
    message(FATAL_ERROR "KESTREL_SANITIZE and KESTREL_SANITIZE_THREAD exclude each other")
endif()

if(KESTREL_SANITIZE)
    target_compile_options(kestrel_flags INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(kestrel_flags INTERFACE -fsanitize=address,undefined)
endif()

if(KESTREL_SANITIZE_THREAD)
    target_compile_options(kestrel_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(kestrel_flags INTERFACE -fsanitize=thread)
endif()
