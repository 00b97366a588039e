# The icons and bitmaps are drawn by tools/make_pictures from its own source;
# the backdrop shows the version.
set(PICTURE_FILES
    ${GENERATED_DIR}/velloran.ico
    ${GENERATED_DIR}/folder.ico
    ${GENERATED_DIR}/folder_up.ico
    ${GENERATED_DIR}/folder_new.ico
    ${GENERATED_DIR}/page_picture.bmp
    ${GENERATED_DIR}/page_picture_125.bmp
    ${GENERATED_DIR}/page_picture_150.bmp
    ${GENERATED_DIR}/page_picture_200.bmp
    ${GENERATED_DIR}/page_picture_250.bmp
    ${GENERATED_DIR}/backdrop.bmp
)
add_custom_command(
    OUTPUT ${PICTURE_FILES}
    COMMAND ${HOST_BIN}/make_pictures ${GENERATED_DIR} ${VELLORAN_VERSION}
    DEPENDS host_tools ${HOST_BIN}/make_pictures ${VELLORAN_VERSION_H}
    COMMENT "Drawing the setup's icons and bitmaps"
)
