// Small text helpers shared by winsim's modules.
#ifndef WINSIM_TEXT_H
#define WINSIM_TEXT_H

#include <string>

namespace winsim {

std::string Upper(std::string s);
std::string Lower(std::string s);
bool EqualNoCase(const std::string& a, const std::string& b);
// Case-insensitive ordering, as Windows sorts registry keys.
struct LessNoCase {
    bool operator()(const std::string& a, const std::string& b) const;
};

}  // namespace winsim

#endif
