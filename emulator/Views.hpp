#pragma once
// The records the areas answer with, built from the state (with the lock held).

#include "emulator/Core.hpp"

namespace quillbox {
struct FileListMetadata;
struct FileBean;
struct StarFileInfo;
struct ShareFileInfo;
struct ShareFile;
struct User;
struct UserCapabilities;
}  // namespace quillbox

namespace quillbox::emulator {

User userRecord(const UserRec& owner, bool me);
UserCapabilities capabilities(bool owner);
bool starredBy(const Core& core, const UserRec& u, const NodeRec& n);
/// The fields every kind of file entry shares (listing, search hit, star, detail).
template <class Entry>
void fillEntry(const Core& core, Entry& e, const UserRec& u, const NodeRec& n);
FileListMetadata listEntry(const Core& core, const UserRec& u, const NodeRec& n);
FileBean searchHit(const Core& core, const UserRec& u, const NodeRec& n);
StarFileInfo starEntry(const Core& core, const UserRec& u, const NodeRec& n, Millis starred);
ShareFileInfo shareFileInfo(const Core& core, const NodeRec& n);
ShareFile shareFile(const Core& core, const NodeRec& n, bool withLinks);

}  // namespace quillbox::emulator
