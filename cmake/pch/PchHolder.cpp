// Holds a precompiled header for the targets that reuse it.
