// The terminal presentation of dialogs and message boxes: standard output shows
// them, standard input answers them.
#pragma once

#include <string>
#include <vector>

// Prints a box: its caption, a rule under it, then each line.
void ConsoleShowBox(const std::string& caption, const std::vector<std::string>& lines);

// Whether a person can answer: standard input is a terminal.
bool ConsoleIsInteractive();

// Reads one line without its line end; false at the end of input.
bool ConsoleReadLine(std::string& line);
