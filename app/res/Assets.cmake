# Generated resources of the application, made in the build tree from the readable sources here:
#   demo_texts/DemoTexts.h  the demonstration texts as GBK byte strings (from DemoTexts.def)
#   demo_texts/DemoImage.h  the 384 x 91 demonstration picture, 4368 bytes (from logo.pbm)
# ce_molv_add_assets(<target>) makes a target depend on them and puts them on its include path
# (include as "demo_texts/DemoTexts.h").
include_guard(GLOBAL)

set(CE_MOLV_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(CE_MOLV_ICON ${CMAKE_CURRENT_LIST_DIR}/ce_molv.ico)
set(CE_MOLV_DESKTOP_ICON ${CMAKE_CURRENT_LIST_DIR}/ce_molv.png)
set(CE_MOLV_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)

add_custom_command(
  OUTPUT ${CE_MOLV_GENERATED_DIR}/demo_texts/DemoTexts.h
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CE_MOLV_GENERATED_DIR}/demo_texts
  COMMAND gbk-texts ${CE_MOLV_RESOURCE_DIR}/DemoTexts.def ${CE_MOLV_GENERATED_DIR}/demo_texts/DemoTexts.h
  DEPENDS gbk-texts ${CE_MOLV_RESOURCE_DIR}/DemoTexts.def
  COMMENT "Encoding the demonstration texts to GBK"
  VERBATIM)

add_custom_command(
  OUTPUT ${CE_MOLV_GENERATED_DIR}/demo_texts/DemoImage.h
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CE_MOLV_GENERATED_DIR}/demo_texts
  COMMAND pbm-embed ${CE_MOLV_RESOURCE_DIR}/logo.pbm ${CE_MOLV_GENERATED_DIR}/demo_texts/DemoImage.h
          kDemoImage 384 91
  DEPENDS pbm-embed ${CE_MOLV_RESOURCE_DIR}/logo.pbm
  COMMENT "Embedding the demonstration picture"
  VERBATIM)

add_custom_target(ce_molv_assets
  DEPENDS ${CE_MOLV_GENERATED_DIR}/demo_texts/DemoTexts.h
          ${CE_MOLV_GENERATED_DIR}/demo_texts/DemoImage.h)

function(ce_molv_add_assets target)
  add_dependencies(${target} ce_molv_assets)
  target_include_directories(${target} PUBLIC ${CE_MOLV_GENERATED_DIR})
endfunction()
