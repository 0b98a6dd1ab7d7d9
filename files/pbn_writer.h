// The PBN writer: the whole set as a Portable Bridge Notation file, the
// program's own record of a set.  Besides the standard tags it carries the
// seed, description, generation time, computer and club on the first board,
// and the double-dummy table of every analysed board, so that the reader
// (pbn_reader.h) restores the set exactly.
//
//   Status s = WritePbnFile(set, gate.writer->Permit("monday.pbn"), ComputerNameText());
//   if (!s.ok()) ShowStatus(s.message());   // the set still counts as unsaved
//
// Layout.  Windows-1252 bytes, one tag per line, CR LF line ends, no byte
// order mark.  Every tag line is  [Name "value"].  For each present board n
// (1..36, increasing; absent boards leave no trace):
//
//   | lines          | tag                | value                                          |
//   |----------------|--------------------|------------------------------------------------|
//   | first board    | Event              | event name                                     |
//   |   only (9)     | Site               | site                                           |
//   |                | Date               | event date, "2013.10.07"                       |
//   |                | Generator          | the program banner, "Tarrow 1.0.0"             |
//   |                | Application        | "1" + seed text                                |
//   |                | Application        | "2" + description                              |
//   |                | Application        | "3" + generation time, "2013-10-07 18:30:00"   |
//   |                | Application        | "4" + computer name                            |
//   |                | Eventsponsor       | club name                                      |
//   | later boards   | Event, Site, Date  | "#" (PBN: same as the previous game)           |
//   | every board    | Board              | n                                              |
//   |                | Dealer             | "NESW"[(n - 1) mod 4]                          |
//   |                | Vulnerable         | "None", "NS", "EW" or "All"                    |
//   |                | Deal               | dealer letter, ":", hands clockwise from dealer |
//   | completely     | OptimumScore       | par, North-South's signed score: "NS -500"     |
//   |   analysed     | ParContract        | par contracts: "N 4S", "EW 5DX-2, EW 5HX-2",   |
//   |   board        |                    |   "Pass" when passed out (scoring/par.h)       |
//   | analysed board | OptimumResultTable | Declarer;Denomination\2R;Result\2R             |
//   |   (a DoneMask  |   + 20 rows        | "N C 13": declarer N E S W, strains C D H S NT |
//   |   bit is set)  |                    |   tricks, or "?" when the side's bit is clear  |
//   | every board    | (empty line)       |                                                |
//
// A header value holding a double quote or a backslash is written with the
// PBN escapes (\" and \\), so that it survives the round trip.  A line break
// inside a value would start a new line of the file, so CR and LF in values
// are written as blanks.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/atomic_file.h"
#include "core/deal_set.h"
#include "core/result.h"

namespace tarrow {

// The file's bytes for the set as it stands; computerName goes on the fourth
// Application line.  Deals are expanded from the boards' numbers, so the
// set's expanded deals need not be current.
std::string PbnText(const DealSet& set, std::string_view computerName);

// Replaces the permit's file with PbnText(set) (temporary file and rename);
// the permit comes from the output gate (app/output_plan.h).  On success the
// set's digest is stored, so the set counts as saved; on failure the old
// file and set.setDigest stay as they were and the message names the path
// and the reason.
Status WritePbnFile(DealSet& set, const WritePermit& permit, std::string_view computerName);

}  // namespace tarrow
