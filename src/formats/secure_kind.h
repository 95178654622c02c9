// Recognising signed and encrypted messages, which the MIME writer writes in
// their own form instead of rebuilding their structure.
#pragma once

#include "pstread/pst/message.h"

namespace mailwright::formats {

inline constexpr int kSecureKindOrdinary = 0;
// A multipart/signed message: its single attachment holds the signed MIME
// entity.
inline constexpr int kSecureKindSigned = 1;
// An S/MIME or PGP encrypted (opaque) message: its single attachment holds
// the encrypted data.
inline constexpr int kSecureKindOpaque = 2;

// 0 unless the message has exactly one attachment and its class is
// "IPM.Note.SMIME.MultipartSigned", "IPM.Note.SMIME" or
// "IPM.Note.GpgOL.OpaqueEncrypted" (any case). Then the attachment's MIME
// type decides: "multipart/signed" gives 1; "application/pkcs7-mime" or
// "application/x-pkcs7-mime" 2; "application/octet-stream" 2 when the
// attachment has a file name (PidTagAttachFilename); anything else 0.
int SecureKind(const pstread::message& message);

}  // namespace mailwright::formats
