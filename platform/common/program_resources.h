// Resources carried inside the program, found by number as a Windows program
// finds its own: the game's build links its icon in; tests bring their own.
#pragma once

#include <cstddef>
#include <cstdint>

struct ProgramResource {
    int id;
    const uint8_t* data;  // the resource file's bytes; an icon is a picture file (PNG)
    size_t size;
};

// Makes these the program's resources; the table must outlive every use.
void SetProgramResources(const ProgramResource* table, int count);
