#pragma once

#include "platform/mailer.h"

#include <QString>

// The mail of currentUser's records: subject "<name>'s Step Record", note
// "Hi,\r\n  The attachment is <name>'s record." and the attachment "<name>.csv" in exportDir, which
// ends in a separator. The file name is the user name as the system's 8-bit encoding (the one file
// names are written in) holds it, so the file written and the name offered to the mail program agree.
MailMessage BuildRecordMail(const QString& currentUser, const QString& exportDir);
