// The audio libraries under the sound output report their own troubles on the terminal (every backend the
// OpenAL library tries on a machine without a sound card prints several lines). The program says once, in its
// own log, that sound is off; this keeps the libraries quiet.
#pragma once

// Before the OpenAL library is loaded: its log level goes to "nothing" unless ALSOFT_LOGLEVEL is set already
// (a developer looking for a sound problem sets it), and the ALSA library's error printer, when that library
// is installed, is replaced by one that drops the messages. Any number of calls; only the first acts.
void QuietAudioLibraries();
