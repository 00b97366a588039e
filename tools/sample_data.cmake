# The sample files of Velloran's payload (data, libraries, filters, pens,
# airbrush patterns) are drawn by make_sample_data from the recipes named in
# payload/manifest.txt.
add_executable(make_sample_data ${CMAKE_CURRENT_LIST_DIR}/make_sample_data.cpp)
