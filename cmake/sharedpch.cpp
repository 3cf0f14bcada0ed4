// The translation unit that builds the precompiled header all targets share.
