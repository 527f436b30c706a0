# Pictures drawn at build time by tools/res-images: the button's icon
# sequence (a morph from the phone to the magnifying glass), its disc, the
# radar and the menu and popup icons.
set(_res_images
  orz_icon_start_search.png orz_button_bg.png orz_button_halo.png orz_button_ring.png orz_radar.png
  orz_more_icon_locate_device.png core_button_icon_done.png core_button_icon_cancel.png)
foreach(_n RANGE 0 18)
  list(APPEND _res_images sequence_icon/rux_search_icon_${_n}.png)
endforeach()
set(_res_image_outputs)
foreach(_img ${_res_images})
  list(APPEND _res_image_outputs ${PELORN_GENERATED_IMAGES_DIR}/${_img})
endforeach()
add_custom_command(OUTPUT ${_res_image_outputs}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PELORN_GENERATED_IMAGES_DIR}
  COMMAND pelorn-res-images ${PELORN_GENERATED_IMAGES_DIR}
  DEPENDS pelorn-res-images
  COMMENT "Drawing the application's pictures" VERBATIM)
list(APPEND PELORN_GENERATED_IMAGES ${_res_image_outputs})
