// The keyboard transcription table: what a key typed on a German keyboard
// becomes in Russian Cyrillic. Portable: no windowing code, UTF-16 as char16_t.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// One row: the typed key and the text that replaces it.
struct TranscriptionPair {
  std::u16string key;
  std::u16string output;
};

// Rows are searched in order and the first match wins, so a later row with a
// key already present can never be reached.
using TranscriptionTable = std::vector<TranscriptionPair>;

// The process-wide table consulted for every typed character. Empty until
// BuildKeyboardTable fills it when the dialog starts.
extern TranscriptionTable KeyboardTable;

// Output of the most recent TranscribeKey call; empty when no row matched.
extern std::u16string LookupResult;

void AppendPair(TranscriptionTable& table, std::u16string_view key, std::u16string_view output);

// Appends the 67 keyboard rows to KeyboardTable. Does not clear it first.
void BuildKeyboardTable();

// Builds KeyboardTable where nothing has yet: for the programs and tools
// other than the dialog, which builds it as it starts.
void EnsureKeyboardTable();

// The output of the first row of `table` whose key begins with ch; empty when
// no row does.
std::u16string_view FirstRowOutput(const TranscriptionTable& table, char16_t ch);

// Sets LookupResult to the output of the first KeyboardTable row whose key
// begins with ch, or to the empty string when no row does.
void TranscribeKey(char16_t ch);

// What typing ch into the editor inserts: LookupResult becomes its row's
// output, or ch itself when no row has it.
void TranscribeTypedCharacter(char16_t ch);

// The functions below read the keyboard's rows as the table is built from
// them, constant data, and return their results: they share nothing
// between threads, need no table built first, and leave LookupResult alone.

// What typing ch inserts: its row's output (the first row whose key it is),
// or 0 when no row has it (ch itself is then inserted).
char16_t KeyOutput(char16_t ch);

// What typing each unit of `text` into the editor inserts, one after the
// other: units in the transcribed range as their rows give them, the others
// unchanged.
std::u16string TypeText(std::u16string_view text);

// The way back: the German key whose character Korvel's typing gives as
// `output`, so that what Korvel typed becomes what the keys give without it.
// Where two keys give one letter (Ě and ě give ъ) the later row's key, the
// lower-case ě, is the one. Zero when no reachable row outputs it.
char16_t KeyTypingOutput(char16_t output);

// What the keys that typed `text` in Korvel give without it: each unit that
// a row outputs turned back into its key, the others unchanged.
std::u16string UntypeText(std::u16string_view text);

// Typed characters are transcribed only inside this open range: control
// codes (Backspace, Tab, Enter, Ctrl+letters) and code units from 1400 up
// (including every surrogate) go to the editor untouched.
constexpr bool IsTranscribedCharacter(unsigned long long code) { return code > 30 && code < 1400; }
