# The picture maker draws the setup's icons and bitmaps from its own source;
# its drawing helpers are the headers under pictures/.
add_executable(make_pictures make_pictures.cpp)
