# resources/licence.txt becomes string 189, with CR LF between lines.
set(LICENCE_TXT ${CMAKE_SOURCE_DIR}/resources/licence.txt)
set(LICENCE_RC ${GENERATED_DIR}/licence.rc)
add_custom_command(
    OUTPUT ${LICENCE_RC}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${LICENCE_TXT} -DOUTPUT=${LICENCE_RC} -P ${CMAKE_SOURCE_DIR}/cmake/text_to_rc.cmake
    DEPENDS ${LICENCE_TXT} ${CMAKE_SOURCE_DIR}/cmake/text_to_rc.cmake
    COMMENT "Turning the licence into a string resource"
)
