#include "app/PresetFile.h"

#include "app/AppError.h"
#include "app/AtomicFile.h"

#include <fstream>
#include <iterator>
#include <vector>

void ReadPresetFile(const std::string& path, dsp_preset& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure("cannot read preset file '" + path + "'");
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure("cannot read preset file '" + path + "'");
    if (bytes.size() < 16)
        throw Failure("preset file '" + path + "' is too short (" + std::to_string(bytes.size()) +
                      " bytes; a preset file starts with a 16-byte owner GUID)");
    out.set_owner(GuidFromBytes(bytes.data()));
    out.set_data(bytes.data() + 16, bytes.size() - 16);
}

void WritePresetFile(const std::string& path, const dsp_preset& preset) {
    uint8_t guid[16];
    GuidToBytes(preset.get_owner(), guid);
    AtomicFile out(path);
    out.Write(guid, sizeof(guid));
    out.Write(preset.get_data(), preset.get_data_size());
    out.Commit();
}
