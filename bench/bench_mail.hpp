#pragma once
// The mail the benchmarks file: about 20 KB, a short text and a 14 KB
// attachment, numbered in its subject and Message-ID so that no two are the
// same mail.
#include <string>

namespace kv::bench {

inline std::string MakeBenchMail(int i) {
    std::string eml = "From: Salg <salg@kunde.dk>\r\nTo: Mette <mette@korvane.example>\r\n";
    eml += "Subject: Tilbud nr. " + std::to_string(i) + "\r\n";
    eml += "Date: Tue, 05 Mar 2024 14:07:09 +0100\r\nMessage-ID: <" + std::to_string(i) + "@bench>\r\n";
    eml += "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n";
    eml += "--b\r\nContent-Type: text/plain; charset=utf-8\r\n\r\nHej, her er tilbuddet.\r\n";
    eml +=
        "--b\r\nContent-Type: application/octet-stream; name=\"tilbud.bin\"\r\n"
        "Content-Transfer-Encoding: base64\r\n\r\n";
    std::string line;
    for (int k = 0; k < 19; ++k) line += "QUJD";
    for (int k = 0; k < 250; ++k) eml += line + "\r\n";
    eml += "--b--\r\n";
    return eml;
}

}  // namespace kv::bench
