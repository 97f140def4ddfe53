# The Windows program's version resource and application manifest, with the
# version from project() and the copyright line from the licence.
enable_language(RC)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE PACKTEXT_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
set(PACKTEXT_MANIFEST ${PROJECT_SOURCE_DIR}/packaging/packtext.manifest)
configure_file(${PROJECT_SOURCE_DIR}/packaging/packtext.rc.in ${PROJECT_BINARY_DIR}/packtext.rc @ONLY)
# A library of its own, so that none of the compiler flags reach windres.
add_library(packtext_resources OBJECT ${PROJECT_BINARY_DIR}/packtext.rc)
set_source_files_properties(${PROJECT_BINARY_DIR}/packtext.rc PROPERTIES OBJECT_DEPENDS ${PACKTEXT_MANIFEST})
target_link_libraries(packtext PRIVATE packtext_resources)
