#pragma once
// Image drives: disc images (CUE/BIN, cdrdao TOC, NRG) that stand in for CD
// drives. They answer INQUIRY and READ TOC with data built from the image.
#include <string>
#include <vector>

#include "TocData.h"

namespace tolvar {

struct TCDDrive;

// The image drives that follow the real drives: the CD library's configured
// images ([Images] of its settings file, then TOLVAR_CD_IMAGES), then the
// images the program was given (SetProgramImages).
std::vector<std::string> ImageDriveList();
void SetProgramImages(std::vector<std::string> Images);

// INQUIRY texts of an image drive: "Tolvar" "Image drive" and the file name.
void InquireImage(TCDDrive& Drive);
// The READ TOC data of the image; zero (no disc) when it cannot be opened.
void ReadImageToc(const std::string& Image, TTocData& Raw);

}  // namespace tolvar
