# Every target of ours is built -Wall -Wextra; the build stays free of warnings.
add_compile_options(-Wall -Wextra)
