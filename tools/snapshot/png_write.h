// PNG output for snapshots.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Writes RGB rows, top row first, to an open file. Returns false with libpng's reason in
// error ("PNG: Write Error"); the stream holds the cause of a failed write.
bool PngWrite(FILE* out, int width, int height, const std::vector<unsigned char>& rgb,
              std::string* error);
