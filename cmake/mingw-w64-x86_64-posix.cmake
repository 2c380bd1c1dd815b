# Cross-compiling for Windows x86_64 with Debian's mingw-w64, posix thread model: the win32 model
# has no std::thread. The runtime DLLs (libstdc++, libgcc, winpthread) go beside the programs, as
# they must for the Qt DLLs built with the same compiler anyway.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(ORQ_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORQ_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORQ_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORQ_MINGW_TRIPLET}-windres)
set(CMAKE_AR /usr/bin/${ORQ_MINGW_TRIPLET}-ar CACHE FILEPATH "ar")
set(CMAKE_RANLIB /usr/bin/${ORQ_MINGW_TRIPLET}-ranlib CACHE FILEPATH "ranlib")

set(CMAKE_FIND_ROOT_PATH /usr/${ORQ_MINGW_TRIPLET})
# The Qt prefix given in CMAKE_PREFIX_PATH holds Windows files too.
if(CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
