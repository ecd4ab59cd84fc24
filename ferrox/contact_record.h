#pragma once
// The bodies' contact records (Skeleton::lastOwnLink and lastOtherLink) are
// raw link pointers written while contacts are resolved and read a step later,
// after objects and rope links may have been deleted. Written through
// recordContact, a record is cleared the moment a link it names is destroyed,
// so a record read later either names two live links or is empty.

namespace ferrox {

class Link;
class Skeleton;

// Records the contact in the body of own (the owner of its first quark): own
// is that body's touching link, other the link it touched.
void recordContact(Link* own, Link* other);
// Clears every record that names the link; every link calls it when it is destroyed.
void forgetLink(const Link* link);
// Drops the body from the bodies that hold a record; every body calls it when it is destroyed.
void forgetBody(const Skeleton* body);
// Bodies that may hold a record written by recordContact.
unsigned recordHolderCount();

}  // namespace ferrox
