// Encoder options from the settings (see EncoderOptions.h).
#include "core/EncoderOptions.h"

#include "core/Settings.h"

TMp3Options TMp3Options::From(const TSettings& s) {
    TMp3Options o;
    o.BitRate = s.BitRate;
    o.MaxBitRate = s.MaxBitRate;
    o.MpegQuality = s.MpegQuality;
    o.VBRQuality = s.VBRQuality;
    o.StereoMode = s.StereoMode;
    o.IsSelectVBR = s.IsSelectVBR;
    o.IsVBRHead = s.IsVBRHead;
    return o;
}

TOggOptions TOggOptions::From(const TSettings& s) {
    TOggOptions o;
    o.IsUseCompress = s.IsUseCompress;
    o.CompressPosition = s.CompressPosition;
    o.MaxBitRate = s.OggMaxBitRate;
    o.NominalBitRate = s.OggNomalBitRate;
    o.MinBitRate = s.OggMinBitRate;
    return o;
}

float TOggOptions::Quality() const {
    return IsUseCompress ? float(CompressPosition - 10) / 100.0f : 0.2f;
}

TWmaOptions TWmaOptions::From(const TSettings& s) {
    TWmaOptions o;
    o.Setting = s.WMABitRate;
    return o;
}

TFlacOptions TFlacOptions::From(const TSettings& s) {
    TFlacOptions o;
    o.Level = s.FlacLevel;
    o.Verify = s.FlacVerify;
    return o;
}
