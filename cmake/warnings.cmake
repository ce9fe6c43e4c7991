# Common flags for every target of the project.
add_compile_options(-Wall -Wextra -fexec-charset=CP932 -finput-charset=UTF-8)
if(YV_WERROR)
  add_compile_options(-Werror)
endif()
