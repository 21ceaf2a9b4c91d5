# ZORO_SANITIZE applies to everything built in this tree, so that the library and the
# tests that drive it are instrumented alike.
if(ZORO_SANITIZE)
    add_compile_options(-fsanitize=${ZORO_SANITIZE} -fno-sanitize-recover=all
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=${ZORO_SANITIZE})
endif()
