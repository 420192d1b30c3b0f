// zgtool qr [--level L|M|Q|H] [--mask N] [--hex] TEXT
//
// Prints the QR Code matrix of TEXT (UTF-8 taken as GBK, or GBK bytes as
// hexadecimal with --hex) as the launcher's payment-code picture would draw it:
// one line per row, top row first, 1 for a dark module and 0 for a light one,
// without a quiet zone. --mask forces a mask pattern instead of the random choice.
// Exit status 0 with the matrix; 1 and nothing when no symbol can be made; 2 on
// a usage error.
#pragma once

#include <string>
#include <vector>

// args are the arguments after "qr".
int RunQrCommand(const std::vector<std::string>& args);
