// The maker-note tag tables. A row whose description is "Skip" (any case)
// marks a tag that is passed over.
#include "exif/MakerNotes.h"

namespace pixaldo {

namespace {
// A row whose description is its name.
constexpr MakerTagRow Row(uint16_t tag, const char* name, const char* codes = "") {
  return MakerTagRow{tag, name, name, codes, nullptr};
}
constexpr MakerTagRow Row(uint16_t tag, const char* name, const char* description, const char* codes) {
  return MakerTagRow{tag, name, description, codes, nullptr};
}
}  // namespace

const std::array<MakerTagRow, 11> NikonOldTagTable{{
    Row(0x0002, "FamilyID"),
    Row(0x0003, "Quality",
        "1:Vga Basic,2:Vga Normal,3:Vga Fine,4:SXGA Basic,5:SXGA Normal,6:SXGA Fine10:2 Mpixel Basic,"
        "11:2 Mpixel Normal,12:2 Mpixel Fine"),
    Row(0x0004, "ColorMode", "1:Color,2:Monochrome"),
    Row(0x0005, "ImageAdjustment", "0:Normal,1:Bright+,2:Bright-,3:Contrast+,4:Contrast-"),
    Row(0x0006, "ISOSpeed", "0:ISO80,2:ISO160,4:ISO320,5:ISO100"),
    Row(0x0007, "WhiteBalance",
        "0:Auto,1:Preset,2:Daylight,3:Incandescense,4:Fluorescence,5:Cloudy,6:SpeedLight"),
    Row(0x0008, "Focus"),
    Row(0x0009, "Skip"),
    Row(0x000A, "DigitalZoom"),
    Row(0x000B, "Converter", "0:Not used,1:Used"),
    Row(0x0F00, "Skip"),
}};

const std::array<MakerTagRow, 28> NikonTagTable{{
    Row(0x0001, "FamilyID", "Family ID", ""),
    Row(0x0002, "ISOSpeed", "ISO Speed", ""),
    Row(0x0003, "ColorMode", "Color Mode", ""),
    Row(0x0004, "Quality"),
    Row(0x0005, "WhiteBalance", "White Balance", ""),
    Row(0x0006, "ImageSharpening", "Image Sharpening", ""),
    Row(0x0007, "FocusMode", "Focus Mode", ""),
    Row(0x0008, "FlashSetting", "Flash Setting", ""),
    Row(0x0009, "AutoFlashMode", "Auto Flash Mode", ""),
    Row(0x000A, "Skip"),
    Row(0x000B, "WhiteBiasValue", "White Bias Value", ""),
    Row(0x000F, "DigitalZoom", "Digital Zoom", ""),
    Row(0x0010, "Skip"),
    Row(0x0011, "Skip"),
    Row(0x0080, "ImageAdjustment", "Image Adjustment", ""),
    Row(0x0081, "ImageAdjustment", "Image Adjustment", ""),
    Row(0x0082, "Adapter"),
    Row(0x0084, "LensInformation", "Lens information", ""),
    Row(0x0085, "ManualFocusDistance", "Manual Focus Distance", ""),
    Row(0x0086, "DigitalZoom", "Digital Zoom", ""),
    Row(0x0088, "FocusArea", "Focus Area", ""),
    Row(0x0089, "Mode"),
    Row(0x008D, "ColorMode", "Color Mode", ""),
    Row(0x008F, "SceneMode", "Scene Mode", ""),
    Row(0x0092, "HueAdjustment", "Hue Adjustment", ""),
    Row(0x0094, "Saturation"),
    Row(0x0095, "NoiseReduction", "Noise Reduction", ""),
    Row(0x0F00, "Skip"),
}};

const std::array<MakerTagRow, 33> OlympusTagTable{{
    Row(0x0200, "SpecialMode"),
    Row(0x0201, "JpegQual", "1:SQ,2:HQ,3:SHQ,4:Raw"),
    Row(0x0202, "Macro", "0=Normal,1:Macro;"),
    Row(0x0203, "Skip"),
    Row(0x0204, "DigiZoom", "Digital Zoom Ratio", ""),
    Row(0x0205, "Skip"),
    Row(0x0206, "Skip"),
    Row(0x0207, "Firmware"),
    Row(0x0208, "PictInfo", "Picture Info", ""),
    Row(0x0209, "CameraID", "Camera ID", ""),
    Row(0x0F00, "Skip"),
    Row(0x1004, "FlashMode", "Flash Mode", ""),
    Row(0x1006, "Bracket"),
    Row(0x100B, "FocusMode", "Focus Mode", ""),
    Row(0x100C, "FocusDistance", "Focus Distance", ""),
    Row(0x100D, "Zoom"),
    Row(0x100E, "MacroFocus", "Macro Focus", ""),
    Row(0x100F, "Sharpness"),
    Row(0x1011, "ColorMatrix", "Color Matrix", ""),
    Row(0x1012, "BlackLevel", "Black Level", ""),
    Row(0x1015, "WhiteBalance", "White Balance", ""),
    Row(0x1017, "RedBias", "Red Bias", ""),
    Row(0x1018, "BlueBias", "Blue Bias", ""),
    Row(0x101A, "SerialNumber"),
    Row(0x1023, "FlashBias", "Flash Bias", ""),
    Row(0x1029, "Contrast"),
    Row(0x102A, "SharpnessFactor", "Sharpness Factor", ""),
    Row(0x102B, "ColorControl", "Color Control", ""),
    Row(0x102C, "ValidBits", "Valid Bits", ""),
    Row(0x102D, "Coring", "Coring Filter", ""),
    Row(0x102E, "FinalWidth", "Final Width", ""),
    Row(0x102F, "FinalHeight", "Final Height", ""),
    Row(0x1034, "CompressionRatio", "Compression Ratio", ""),
}};

const std::array<MakerTagRow, 26> CasioTagTable{{
    Row(0x0001, "RecordingMode", "1:Single Shutter,2:Panorama,3:Night Scene,4:Portrait,5:Landscape"),
    Row(0x0002, "Quality", "1:Economy,2:Normal,3:Fine"),
    Row(0x0003, "FocusingMode", "2:Macro,3:Auto Focus,4:Manual Focus,5:Infinity"),
    Row(0x0004, "FlashMode", "1:Auto,2:On,3:Off,4:Red Eye Reduction"),
    Row(0x0005, "FlashIntensity", "11:Weak,13:Normal,15:Strong"),
    Row(0x0006, "ObjectDistance"),
    Row(0x0007, "WhiteBalance", "1:Auto,2:Tungsten,3:Daylight,4:Fluorescent,5:Shade,129:Manual"),
    Row(0x0008, "Skip"),
    Row(0x0009, "Skip"),
    Row(0x000A, "DigitalZoom", "65536:Off,65537:2X Digital Zoom"),
    Row(0x000B, "Sharpness", "0:Normal,1:Soft,2:Hard"),
    Row(0x000C, "Contrast", "0:Normal,1:Low,2:High"),
    Row(0x000D, "Saturation", "0:Normal,1:Low,2:High"),
    Row(0x000E, "Skip"),
    Row(0x000F, "Skip"),
    Row(0x0010, "Skip"),
    Row(0x0011, "Skip"),
    Row(0x0012, "Skip"),
    Row(0x0013, "Skip"),
    Row(0x0014, "CCDSensitivity", "64:Normal,125:+1.0,250:+2.0,244:+3.0,80:Normal,100:High"),
    Row(0x0015, "Skip"),
    Row(0x0016, "Skip"),
    Row(0x0017, "Skip"),
    Row(0x0018, "Skip"),
    Row(0x0019, "Skip"),
    Row(0x001A, "Skip"),
}};

const std::array<MakerTagRow, 18> FujifilmTagTable{{
    Row(0x0000, "Version"),
    Row(0x1000, "Quality"),
    Row(0x1001, "Sharpness", "1:Soft,2:Soft,3:Normal,4:Hard,5:Hard"),
    Row(0x1002, "WhiteBalance",
        "0:Auto,256:Daylight,512:Cloudy,768:DaylightColor-fluorescence,769:DaywhiteColor-fluorescence,"
        "770:White-fluorescence,1024:Incandenscense,3840:Custom white balance."),
    Row(0x1003, "Color", "0:Normal,256:High,512:Low"),
    Row(0x1004, "Tone", "0:Normal,256:High,512:Low"),
    Row(0x1010, "FlashMode", "0:Auto,1:On,2:Off,3:Red-eye reduction"),
    Row(0x1011, "FlashStrength"),
    Row(0x1020, "Macro", "0:Off,1:On"),
    Row(0x1021, "Focusmode", "0:Auto Focus,1:Manual Focus"),
    Row(0x1030, "SlowSync", "0:Off,1:On"),
    Row(0x1031, "PictureMode",
        "0:Auto,1:Portrait scene,2:Landscape scene,4:Sports scene,5:Night scene,6:Program AE,"
        "256:Aperture prior AE,512:Shutter prior AE,768:Manual exposure"),
    Row(0x1032, "Skip"),
    Row(0x1100, "ContTake/Bracket", "0:Off,1:On"),
    Row(0x1200, "Skip"),
    Row(0x1300, "BlurWarning", "0:No blur warning,1:Blur warning"),
    Row(0x1301, "FocusWarning", "0:Auto Focus good,1:Out of focus"),
    Row(0x1302, "AEWarning", "0:AE good,1:Over exposure"),
}};

const std::array<MakerTagRow, 16> CanonTagTable{{
    Row(0x0000, "Skip"),
    MakerTagRow{0x0001, "ExposureInfo1", "ExposureInfo1", "", DecodeCanonCameraSettings},
    Row(0x0002, "Skip"),
    Row(0x0003, "Skip"),
    MakerTagRow{0x0004, "ExposureInfo2", "ExposureInfo2", "", DecodeCanonShotInformation},
    Row(0x0006, "ImageType"),
    Row(0x0007, "FirmwareVersion"),
    Row(0x0008, "ImageNumber"),
    Row(0x0009, "OwnerName"),
    Row(0x000A, "Skip"),
    Row(0x000B, "Skip"),
    Row(0x000C, "CameraSerialNumber"),
    Row(0x000D, "Skip"),
    Row(0x000E, "Skip"),
    MakerTagRow{0x000F, "CustomFunctions", "CustomFunctions", "", DecodeCanonCustomFunctions},
    Row(0x0010, "Skip"),
}};

const std::array<MakerTagRow, 12> SeikoTagTable{{
    Row(0x0200, "Special Mode"),
    Row(0x0201, "JpegQuality"),
    Row(0x0202, "Macro"),
    Row(0x0203, "Skip"),
    Row(0x0204, "DigiZoom"),
    Row(0x0209, "CameraID"),
    Row(0x020A, "Comments"),
    Row(0x020B, "Width"),
    Row(0x020C, "Height"),
    Row(0x020D, "SoftRelease"),
    Row(0x0300, "??"),
    Row(0x0F00, "skip"),
}};

const std::array<MakerTagRow, 6> SanyoTagTable{{
    Row(0x0200, "Special Mode"),
    Row(0x0201, "JpegQuality"),
    Row(0x0202, "Macro"),
    Row(0x0203, "Skip"),
    Row(0x0204, "DigiZoom"),
    Row(0x0F00, "DataDump"),
}};

const std::array<MakerTagRow, 2> MinoltaTagTable{{
    Row(0x0000, "ModelID"),
    Row(0x0E00, "PIMdata"),
}};

}  // namespace pixaldo
