// The extended attributes of a file (its access ACL, security label and user
// attributes) given to the file that is about to replace it, so that a
// replacement keeps the access a deployment set up.
#pragma once

// Makes the extended attributes of the file open as `to` those of `from`:
// each of `from`'s is copied, and any that `to` has and `from` lacks (such as
// an ACL inherited from the folder) is removed. False, with errno set, when
// one could not be read, copied or removed. A file system without extended
// attributes counts as one where the files have none.
bool HLQ_CopyExtendedAttributes(int from, int to);
