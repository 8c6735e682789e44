add_library(ZefFake::something_else INTERFACE IMPORTED)
