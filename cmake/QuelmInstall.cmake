# Installation: libraries, headers, data, CMake package and pkg-config file.
