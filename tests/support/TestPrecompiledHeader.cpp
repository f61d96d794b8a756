// The translation unit the test executables' shared precompiled header is made with.
