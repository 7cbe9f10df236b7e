#pragma once
// Reading a package's records from its files: the master header in either form, the
// self-extracting test, the master file as the merge and the Merge page load it, and the piece
// header as the merge checks it. A record that is neither form raises 1117 with the file's path.

#include <string>

#include "engine/file64.h"
#include "engine/package_format.h"

// One master header at the file's current position, an early form converted. An early record
// leaves the position right after its 816 bytes. The header is changed only on success.
void ReadMasterHeader(CFile64& file, MasterHeader& header);

// Whether the file ends in a self-extracting trailer that leads to a valid master header right
// before it; when so, `header` holds that header. The file position is left as it was. Only
// failures of the file operations themselves are raised.
bool FindSelfExtractTrailer(CFile64& file, MasterHeader& header);

// Opens the master file and reads its header, through the trailer when it is self-extracting.
// Errors in order: 1114 no path, 1115 no such file, 1115/1116/the file error when it cannot be
// opened, 1117 when it is not a master.
void LoadMasterFile(const std::string& path, MasterHeader& header, bool& isSelfExtracting);

// Whether the file is a self-extracting master; an empty path tests the running program.
bool IsSelfExtractingMaster(const std::string& path = {});

// The piece header at the start of an open piece, in either form. The data starts at the
// returned headerSize (28 or 56); dataSize is not compared with anything here.
PieceHeader ReadPieceHeader(CFile64& piece);
