#include "resource_set.h"

#include <algorithm>
#include <tuple>

#include "dialog_template.h"
#include "input_error.h"
#include "string_blocks.h"

namespace resgen {
namespace {

void AddIconAndStrings(const std::vector<StringTable>& stringTables, const Pictures& pictures,
                       std::vector<Resource>& resources)
{
    for (std::size_t i = 0; i < pictures.icon.size(); ++i)
        resources.push_back({kRtIcon, static_cast<std::uint16_t>(kFirstIconImageName + i), kNeutralLanguage,
                             pictures.icon[i].data});
    resources.push_back({kRtGroupIcon, kIconName, kNeutralLanguage,
                         GroupIconDirectory(pictures.icon, kFirstIconImageName)});
    for (const StringTable& table : stringTables) {
        for (auto& [block, data] : EncodeStringBlocks(table))
            resources.push_back({kRtString, block, table.language, std::move(data)});
    }
}

void SortAsDirectory(std::vector<Resource>& resources)
{
    std::sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        return std::tie(a.type, a.name, a.language) < std::tie(b.type, b.name, b.language);
    });
}

} // namespace

std::vector<Resource> BuildResources(const ResourceSources& sources, const Pictures& pictures)
{
    for (const DialogControl& control : sources.dialog.controls) {
        if (control.imageName && *control.imageName != kSidePictureName)
            FailAt(sources.dialog.file, control.line,
                   "the control shows picture " + std::to_string(*control.imageName) + ", but only " +
                       std::to_string(kSidePictureName) + " is drawn");
    }

    std::vector<Resource> resources;
    resources.push_back({kRtBitmap, kSidePictureName, kNeutralLanguage, pictures.sidePicture});
    resources.push_back({kRtDialog, sources.dialog.id, kNeutralLanguage, EncodeDialogTemplate(sources.dialog)});
    AddIconAndStrings(InstallerStringTables(sources.stringTables), pictures, resources);
    SortAsDirectory(resources);
    return resources;
}

std::vector<Resource> BuildUninstallerResources(const ResourceSources& sources, const Pictures& pictures,
                                                const std::vector<std::uint8_t>& versionResource)
{
    std::vector<Resource> resources;
    resources.push_back({kRtVersion, kVersionName, kNeutralLanguage, versionResource});
    AddIconAndStrings(sources.stringTables, pictures, resources);
    SortAsDirectory(resources);
    return resources;
}

} // namespace resgen
