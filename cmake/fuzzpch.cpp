// The translation unit that builds the fuzz build's shared precompiled header.
