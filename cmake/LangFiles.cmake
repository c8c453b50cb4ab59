# lensoro_lang_files(TARGET OUT_DIR): a target of ALL that makes
# OUT_DIR/NAME.lang, as the program reads language files (UTF-16 LE with its
# mark, CR LF), from each UTF-8 source data/Lang/NAME.lang.txt. Needs Python 3;
# without it the caller is warned and no target is made.
function(lensoro_lang_files target out_dir)
  find_package(Python3 COMPONENTS Interpreter)
  if(NOT Python3_Interpreter_FOUND)
    message(WARNING "Python 3 was not found: ${out_dir} gets no language files")
    return()
  endif()
  set(source_dir ${PROJECT_SOURCE_DIR}/data/Lang)
  set(script ${PROJECT_SOURCE_DIR}/tools/lang/make_lang_files.py)
  file(GLOB sources CONFIGURE_DEPENDS ${source_dir}/*.lang.txt)
  set(outputs)
  foreach(source IN LISTS sources)
    get_filename_component(name "${source}" NAME)
    string(REGEX REPLACE "\\.txt$" "" name "${name}")
    list(APPEND outputs "${out_dir}/${name}")
  endforeach()
  add_custom_command(OUTPUT ${outputs}
    COMMAND ${Python3_EXECUTABLE} ${script} ${source_dir} ${out_dir}
    DEPENDS ${sources} ${script}
    COMMENT "Language files in ${out_dir}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${outputs})
endfunction()
