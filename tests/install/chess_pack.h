// The pack of the whole-program cases: one dated board file and a profile with a title.
#pragma once

#include <string>

#include "support/zip_builder.h"

inline zipbuild::ZipBuilder ChessPack() {
    zipbuild::ZipBuilder zip;
    auto& board = zip.AddDeflated("Games/Chess/Board.TXT", std::string(40000, 'b'));
    board.dosDate = zipbuild::DosDate(2003, 7, 14);
    board.dosTime = zipbuild::DosTime(9, 41, 18);
    zip.AddStored("Games/Chess/tpx.cfg", "[tpx]\r\ntitle=Chess Deluxe\r\n");
    return zip;
}
