#include "launcher/title_list.h"

#include <algorithm>

#include "platform/files.h"

namespace textreel::launcher {

namespace {

// Tabs and line ends cannot stand in a field; a name or folder that holds one is written without.
std::string Clean(std::string_view text) {
    std::string clean;
    for (char c : text) {
        if (c != '\t' && c != '\n' && c != '\r') {
            clean.push_back(c);
        }
    }
    return clean;
}

bool SameTitle(const KnownTitle& a, const KnownTitle& b) {
    return a.folder == b.folder && a.instanceFile == b.instanceFile;
}

}  // namespace

std::string TitleList::DefaultPath() {
    std::string config = files::UserConfigDirectory();
    return config.empty() ? "" : config + "/textreel/titles";
}

TitleList TitleList::Parse(std::string_view text) {
    TitleList list;
    while (!text.empty() && list.titles_.size() < kMaxTitles) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        size_t first = line.find('\t');
        size_t second = first == std::string_view::npos ? first : line.find('\t', first + 1);
        if (second == std::string_view::npos || line[0] != '/') {
            continue;
        }
        KnownTitle title{std::string(line.substr(0, first)),
                         std::string(line.substr(first + 1, second - first - 1)),
                         std::string(line.substr(second + 1)),
                         {}};
        if (size_t third = title.name.find('\t'); third != std::string::npos) {
            title.saveFolder = title.name.substr(third + 1);
            title.name.resize(third);
        }
        if (title.instanceFile.find('/') != std::string::npos) {
            continue;
        }
        bool listed = std::any_of(list.titles_.begin(), list.titles_.end(),
                                  [&](const KnownTitle& t) { return SameTitle(t, title); });
        if (!listed) {
            list.titles_.push_back(std::move(title));
        }
    }
    return list;
}

std::string TitleList::Format() const {
    std::string text;
    for (const KnownTitle& title : titles_) {
        text += Clean(title.folder) + "\t" + Clean(title.instanceFile) + "\t" + Clean(title.name);
        if (!title.saveFolder.empty()) {
            text += "\t" + Clean(title.saveFolder);
        }
        text += "\n";
    }
    return text;
}

bool TitleList::Load(const std::string& path) {
    titles_.clear();
    if (path.empty() || !files::Exists(path)) {
        return false;
    }
    std::vector<uint8_t> bytes;
    if (files::ReadAll(path, bytes, kMaxBytes)) {
        *this = Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    return true;
}

bool TitleList::Save(const std::string& path) const {
    size_t slash = path.rfind('/');
    if (path.empty() || slash == std::string::npos) {
        return false;
    }
    // The settings folder, then textreel's own folder in it.
    std::string folder = path.substr(0, slash);
    std::string parent = folder.substr(0, folder.rfind('/'));
    if (!parent.empty() && !files::IsDirectory(parent)) {
        files::MakeDirectory(parent);
    }
    if (!files::IsDirectory(folder) && !files::MakeDirectory(folder)) {
        return false;
    }
    const std::string text = Format();
    return files::WriteAtomically(path, text.data(), text.size());
}

void TitleList::Remember(const KnownTitle& title) {
    titles_.erase(std::remove_if(titles_.begin(), titles_.end(),
                                 [&](const KnownTitle& t) { return SameTitle(t, title); }),
                  titles_.end());
    titles_.insert(titles_.begin(), title);
    if (titles_.size() > kMaxTitles) {
        titles_.resize(kMaxTitles);
    }
}

void TitleList::Remove(size_t index) {
    if (index < titles_.size()) {
        titles_.erase(titles_.begin() + static_cast<std::ptrdiff_t>(index));
    }
}

}  // namespace textreel::launcher
