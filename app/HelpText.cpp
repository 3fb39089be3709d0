#include "app/HelpText.h"

#include "app/Commands.h"
#include "app/SettingsFields.h"

namespace {

const char* const kModesHelp =
    "modes (--mode):\n"
    "  passive    passive matrix decoder: stereo to L R C SL SR (6 channels with bLFERedir);\n"
    "             mono, 5 and 6 channels get the room stage (delays, trims, gain) only\n"
    "  hv         steered decoder (the default), layouts as passive\n"
    "  headphone  binaural rendering of mono, stereo, 5 or 6 channels: stereo out\n"
    "  encoder    5 or 6 channels matrix-encoded into a stereo pair\n"
    "  bypass     the input unchanged\n"
    "  A layout a mode cannot process (e.g. 3, 4, 7 or 8 channels; stereo into the encoder)\n"
    "  passes through unchanged; a notice on stderr says so.\n";

const char* const kSettingsOptionsHelp =
    "  --preset FILE        start from a preset file (values in it are repaired into range)\n"
    "  --set FIELD=VALUE    set one settings field (whole number within the field's range;\n"
    "                       see 'halvane --help' for the fields); repeatable, the last wins\n"
    "  --mode NAME          passive, hv, headphone, encoder or bypass (sets dwMode)\n";

const char* const kComponentHelp =
    "  --component PATH     the DSP module to load (default: the one beside this program)\n";

const char* const kExitHelp =
    "exit status: 0 success; 1 bad input or a failed read/write; 2 a usage error;\n"
    "  128+N when ended by signal N (SIGHUP, SIGINT, SIGTERM), leaving no partial output.\n";

std::string RenderHelp() {
    return std::string(
               "usage: halvane render IN OUT [options]\n"
               "Renders IN through the DSP into OUT, exactly as long as IN.\n"
               "IN   an audio file libsndfile reads (WAV, W64, RF64, FLAC, AIFF, CAF, AU, Ogg ...),\n"
               "     or '-' for stdin; WAV, FLAC and AU streams can be piped.\n"
               "OUT  a file (written under a temporary name and renamed when complete), a FIFO or a\n"
               "     character device (written in place), or '-' for stdout.\n"
               "     Progress, notices and warnings go to stderr; IN and OUT may not be one file.\n"
               "options:\n") +
           kSettingsOptionsHelp +
           "  --type TYPE          output format: wav, flac, aiff, caf, w64, au, raw (default:\n"
           "                       from OUT's extension; wav for '-' and special files).\n"
           "                       WAV past 4 GiB becomes RF64; pipes take wav, flac, au, raw\n"
           "  --bits 16|24|32      integer PCM of that many bits\n"
           "  --float              32-bit float samples (default where the format holds float;\n"
           "                       FLAC defaults to 24 bits)\n"
           "  --no-dither          no TPDF dither when reducing to 16 bits (on by default)\n"
           "  --gain DB            gain applied before writing (-100..40 dB, default 0);\n"
           "                       integer outputs report clipped samples\n"
           "  --chunk FRAMES       frames per host chunk, 1..4194304 (default 4096)\n"
           "  --raw                write what the DSP returned, without padding to IN's length\n" +
           kComponentHelp + kExitHelp;
}

}  // namespace

std::string CommandHelp(const std::string& command) {
    if (command == "render") return RenderHelp();
    if (command == "preset")
        return std::string(
                   "usage: halvane preset show FILE\n"
                   "       halvane preset save FILE [options]\n"
                   "show prints the preset's fields as the DSP reads them (repaired into range),\n"
                   "one FIELD=VALUE per line on stdout; save writes a preset file from the options:\n") +
               kSettingsOptionsHelp + kExitHelp;
    if (command == "info")
        return std::string(
                   "usage: halvane info [--component PATH]\n"
                   "Prints what the DSP module says about itself: name, version, services and\n"
                   "capabilities.\n") +
               kComponentHelp;
    if (command == "demo")
        return std::string(
                   "usage: halvane demo OUTDIR [--chunk FRAMES] [--component PATH]\n"
                   "Writes a generated test signal and its rendering in every mode to OUTDIR.\n"
                   "  --chunk FRAMES       frames per host chunk (default 4096)\n") +
               kComponentHelp;
    if (command == "play")
        return std::string(
                   "usage: halvane play FILE... [options]\n"
                   "Plays the files in turn through the DSP. A file that cannot be played is reported\n"
                   "and skipped; the exit status is then 1. Playback ends with the queue (also with the\n"
                   "dialog open) or on SIGINT/SIGTERM (status 128+N).\n"
                   "Keys: space pause, left/right seek 10 s, n next, c configure, q quit.\n"
                   "options:\n"
                   "  --output DEVICE      'default', a device index or name, or 'null' (no sound card)\n"
                   "  --preset FILE        settings to start from\n"
                   "  --configure          open the configuration dialog over playback\n"
                   "  --chunk FRAMES       frames per host chunk (default 1024)\n") +
               kComponentHelp;
    if (command == "configure")
        return std::string(
                   "usage: halvane configure [--preset FILE] [--component PATH]\n"
                   "Opens the configuration dialog. With --preset, OK saves the file; without,\n"
                   "OK prints the settings as FIELD=VALUE lines.\n") +
               kComponentHelp;
    return {};
}

std::string GeneralHelp() {
    std::string text = "halvane: surround processing from the command line\n" + UsageText() +
                       "Run 'halvane COMMAND --help' for a command's options.\n" + kModesHelp +
                       "settings fields (--set FIELD=VALUE; range, unit, default):\n" + SettingsFieldsHelp() +
                       kExitHelp;
    return text;
}

std::string VersionText() {
    return std::string("halvane ") + HALVANE_VERSION + "\n";
}
