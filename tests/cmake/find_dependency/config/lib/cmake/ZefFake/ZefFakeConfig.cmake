add_library(ZefFake::zeffake_static INTERFACE IMPORTED)
