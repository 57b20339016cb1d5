// The list of stand-in files to generate, one a line:
//
//   NAME  KIND  VERSION  DESCRIPTION...
//
// NAME is the output path below the target folder (its last component is
// the file name the version resource carries); KIND is driver, vxd or
// program; VERSION is four numbers or "none" for a file without version
// resource; the rest of the line is the FileDescription. Blank lines and
// lines starting with '#' are ignored.
#ifndef MKPE_PAYLOAD_LIST_H
#define MKPE_PAYLOAD_LIST_H

#include <string>
#include <vector>

#include "image_plan.h"

namespace mkpe {

struct ListedImage {
    std::string path;
    ImagePlan plan;
};

// On failure `error` names the line and what is wrong with it.
bool ParsePayloadList(const std::string& text, std::vector<ListedImage>& images, std::string& error);

// Longest text the tool puts into one version string.
constexpr size_t kMaxText = 255;

}  // namespace mkpe

#endif
