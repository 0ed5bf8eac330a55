// The pages' dialog templates. A page is 360 x 400 pixels; the document
// pages share the footer at the bottom (the quick sets on the left, the page
// preview on the right, the about button below). Controls that the page
// draws itself (pictures, previews, tip buttons, the about button) carry no
// text.
#include "resources/DialogTemplates.h"

#include <iterator>

namespace {

constexpr DWORD S = IMAGE_CONTROL_STATIC;
constexpr DWORD B = IMAGE_CONTROL_BUTTON;
constexpr DWORD C = IMAGE_CONTROL_CHECKBOX;
constexpr DWORD E = IMAGE_CONTROL_EDIT;
constexpr DWORD CB = IMAGE_CONTROL_COMBOBOX;
constexpr DWORD LB = IMAGE_CONTROL_LISTBOX;
constexpr DWORD UD = IMAGE_CONTROL_UPDOWN;

constexpr INT kWidth = 360;
constexpr INT kHeight = 400;

#define FOOTER                                                                                           \
  {1010, S, u"Print Task &Quick Sets", 8, 292, 230, 16, 0}, {1011, CB, u"", 8, 310, 156, 22, 0},         \
      {1012, B, u"Sa&ve", 170, 310, 60, 22, 0}, {1014, B, u"D&elete", 170, 336, 60, 22, 0},               \
      {1013, B, u"", 236, 313, 16, 16, 0}, {1070, S, u"", 258, 236, 94, 126, 0},                          \
      {11525, B, u"", 8, 370, 40, 22, 0}

const IMAGE_RESOURCE_CONTROL kBasics[] = {
    {1023, S, u"&Copies", 16, 16, 80, 16, 0},
    {1021, E, u"1", 16, 34, 50, 22, 0},
    {1022, UD, u"", 66, 34, 16, 22, 0},
    {1024, S, u"&Copy", 90, 38, 80, 16, 0},
    {1031, C, u"&Portrait", 16, 80, 200, 18, 0},
    {1032, C, u"&Landscape", 16, 102, 200, 18, 0},
    {1033, C, u"&Rotate by 180 degrees", 16, 124, 220, 18, 0},
    {1050, B, u"A&bout...", 16, 160, 90, 24, 0},
    {1015, B, u"", 256, 313, 16, 16, 0},
    FOOTER,
};

const IMAGE_RESOURCE_CONTROL kPaper[] = {
    {2010, S, u"", 8, 8, 344, 22, 0},
    {2011, S, u"", 8, 30, 344, 2, 0},
    {2022, C, u"&Use different paper for first page", 16, 38, 300, 18, 0},
    {2023, S, u"", 16, 58, 300, 2, 0},
    {2013, S, u"Si&ze is:", 16, 66, 80, 16, 0},
    {2015, CB, u"", 16, 84, 120, 22, 0},
    {2014, S, u"", 16, 110, 136, 16, 0},
    {2024, B, u"", 140, 87, 16, 16, 0},
    {2016, B, u"Custo&m...", 16, 130, 90, 24, 0},
    {2019, S, u"&Source is:", 16, 162, 80, 16, 0},
    {2020, CB, u"", 16, 180, 120, 22, 0},
    {2025, B, u"", 140, 183, 16, 16, 0},
    {2018, CB, u"", 16, 210, 120, 22, 0},
    {2021, S, u"", 156, 58, 200, 176, 0},
    {1015, B, u"", 256, 313, 16, 16, 0},
    FOOTER,
};

const IMAGE_RESOURCE_CONTROL kFinishing[] = {
    {3010, S, u"Document Options", 8, 8, 240, 16, 0},
    {3011, C, u"Print &on Both Sides", 16, 26, 200, 18, 0},
    {3012, C, u"Flip Pages &Up", 32, 44, 180, 18, 0},
    {3013, B, u"", 222, 27, 16, 16, 0},
    {3024, S, u"Booklet &Printing:", 16, 64, 200, 16, 0},
    {3025, CB, u"", 16, 80, 200, 22, 0},
    {3026, B, u"", 222, 83, 16, 16, 0},
    // The Pages per Sheet group is placed below the Staple box when the
    // page opens (its rule lays it out).
    {3027, C, u"Stap&le", 16, 106, 80, 18, 0},
    {3028, B, u"", 100, 107, 16, 16, 0},
    {3029, B, u"Stapli&ng...", 122, 103, 90, 24, 0},
    {3015, E, u"1", 16, 135, 40, 22, 0},
    {3016, UD, u"", 56, 135, 16, 22, 0},
    {3017, S, u"Pages per &Sheet", 80, 137, 140, 16, 0},
    {3018, B, u"", 222, 135, 16, 16, 0},
    {3019, C, u"Print Page &Borders", 16, 161, 200, 18, 0},
    {3040, S, u"Pa&ge Order:", 16, 181, 90, 16, 0},
    {3041, CB, u"", 16, 197, 200, 22, 0},
    {3030, S, u"Print Quality", 8, 222, 240, 16, 0},
    {3031, C, u"Best Qualit&y", 16, 238, 106, 17, 0},
    {3032, C, u"", 16, 255, 106, 17, 0},
    {3033, C, u"Custo&m", 16, 272, 106, 17, 0},
    {3034, B, u"De&tails...", 128, 264, 90, 24, 0},
    {3035, C, u"S&paretone (Save Toner)", 128, 238, 126, 18, 0},
    {3036, B, u"", 222, 222, 16, 16, 0},
    FOOTER,
};

const IMAGE_RESOURCE_CONTROL kDestination[] = {
    {4009, S, u"Output Bin Options", 8, 8, 240, 16, 0},
    {4021, S, u"&Bin:", 16, 30, 60, 16, 0},
    {4022, CB, u"", 80, 26, 200, 22, 0},
    {4025, B, u"", 286, 29, 16, 16, 0},
    {4023, S, u"&Options:", 16, 60, 60, 16, 0},
    {4024, CB, u"", 80, 56, 200, 22, 0},
    {2021, S, u"", 16, 92, 200, 190, 0},
    FOOTER,
};

const IMAGE_RESOURCE_CONTROL kEffects[] = {
    {6019, S, u"", 8, 8, 344, 20, 0},
    {6021, E, u"100", 16, 36, 50, 22, 0},
    {6022, S, u"% of &Normal Size", 72, 40, 140, 16, 0},
    {6023, S, u"", 16, 62, 200, 16, 0},
    {6025, B, u"", 222, 39, 16, 16, 0},
    {6024, C, u"Print Document On", 16, 90, 200, 18, 0},
    {6033, CB, u"", 32, 110, 184, 22, 0},
    {6034, C, u"&Scale to Fit", 32, 136, 180, 18, 0},
    {6026, B, u"", 222, 113, 16, 16, 0},
    {6011, CB, u"", 16, 170, 200, 22, 0},
    {6013, B, u"Ed&it...", 222, 168, 80, 24, 0},
    {6012, C, u"&First Page Only", 16, 198, 200, 18, 0},
    FOOTER,
};

const IMAGE_RESOURCE_CONTROL kPostScript[] = {
    {6528, S, u"Send TrueType Fonts as:", 16, 12, 200, 16, 0},
    {6514, CB, u"", 16, 30, 200, 22, 0},
    {6529, S, u"Font Substitution:", 16, 58, 200, 16, 0},
    {6515, CB, u"", 16, 76, 200, 22, 0},
    {6517, C, u"PS Level 2 (35 fonts)", 16, 104, 200, 18, 0},
    {6527, S, u"Optimize PS for:", 16, 132, 200, 16, 0},
    {6523, CB, u"", 16, 150, 200, 22, 0},
    {6531, C, u"Mirror Image", 16, 178, 200, 18, 0},
    {6532, C, u"Negative Image", 16, 198, 200, 18, 0},
    {6525, C, u"DBG: Return PS Passthru Esc.", 16, 222, 230, 18, IMAGE_CONTROL_HIDDEN},
    {6526, C, u"DBG: Report as PS Driver", 16, 242, 230, 18, IMAGE_CONTROL_HIDDEN},
    {6530, B, u"Advanced...", 16, 262, 90, 24, 0},
    FOOTER,
};

const IMAGE_RESOURCE_CONTROL kConfigure[] = {
    {7022, C, u"Env&elope Feeder", 16, 16, 200, 18, 0},
    {7024, C, u"&Plurex Enabled", 16, 38, 200, 18, 0},
    {7023, C, u"&Duplexing Unit", 16, 60, 200, 18, 0},
    {7021, B, u"", 222, 17, 16, 16, 0},
    {7033, CB, u"", 16, 90, 134, 22, 0},
    {7036, S, u"Ope&ration Mode:", 16, 118, 134, 16, 0},
    {7035, CB, u"", 16, 136, 134, 22, 0},
    {7037, CB, u"", 16, 168, 134, 22, 0},
    {7049, B, u"M&ore...", 16, 232, 90, 24, 0},
    {7052, B, u"&Update Now", 16, 262, 100, 24, 0},
    {7051, B, u"", 122, 266, 16, 16, 0},
    {2021, S, u"", 156, 88, 200, 186, 0},
    {11525, B, u"", 8, 370, 40, 22, 0},
};

const IMAGE_RESOURCE_CONTROL kAbout[] = {
    {11527, S, u"", 8, 8, 60, 60, 0},
    {11521, S, u"", 76, 8, 276, 16, 0},
    {11526, S, u"", 76, 26, 276, 16, 0},
    {11523, S, u"", 76, 44, 276, 16, 0},
    {11524, S, u"", 76, 62, 276, 16, 0},
    {11522, LB, u"", 8, 84, 344, 120, 0},
    {11539, LB, u"", 8, 210, 344, 80, 0},
    {1, B, u"OK", 272, 298, 80, 24, 0},
};

// Custom Paper Size: the name box with its action button, height and width
// with their arrows and unit labels, the unit button and Close.
const IMAGE_RESOURCE_CONTROL kCustomPaper[] = {
    {11440, S, u"&Name:", 12, 12, 60, 16, 0},
    {2050, CB, u"", 12, 30, 200, 22, 0},
    {2051, B, u"Sa&ve", 220, 30, 80, 24, 0},
    {11441, S, u"&Width:", 12, 68, 60, 16, 0},
    {11411, E, u"", 80, 64, 70, 22, 0},
    {11412, UD, u"", 150, 64, 16, 22, 0},
    {11430, S, u"in.", 172, 68, 40, 16, 0},
    {11432, S, u"mm.", 172, 68, 40, 16, 0},
    {11442, S, u"&Height:", 12, 100, 60, 16, 0},
    {11421, E, u"", 80, 96, 70, 22, 0},
    {11422, UD, u"", 150, 96, 16, 22, 0},
    {11431, S, u"in.", 172, 100, 40, 16, 0},
    {11433, S, u"mm.", 172, 100, 40, 16, 0},
    {2052, B, u"&Use Millimeters", 12, 136, 140, 24, 0},
    {8, B, u"Close", 220, 136, 80, 24, 0},
};

// The notice shown when the source that asks for the paper at the printer
// is chosen, with the choice not to show it again.
const IMAGE_RESOURCE_CONTROL kSourceNotice[] = {
    {11536, S, u"The printer will ask for the paper to be loaded before it prints the job.", 12, 12, 296, 40, 0},
    {11530, C, u"&Do not show this message again", 12, 60, 296, 18, 0},
    {1, B, u"OK", 228, 88, 80, 24, 0},
};

const IMAGE_RESOURCE_CONTROL kForms[] = {
    {12003, CB, u"", 16, 16, 200, 22, 0},
    {12006, CB, u"", 16, 48, 200, 22, 0},
    {12008, CB, u"", 16, 80, 200, 22, 0},
    {12009, B, u"&Clear All", 16, 112, 90, 24, 0},
    {11525, B, u"", 8, 370, 40, 22, 0},
};

// Advanced PS: the job-control options of the PostScript page.
const IMAGE_RESOURCE_CONTROL kAdvancedPostScript[] = {
    {6704, C, u"Send Ctrl-D before Job", 16, 16, 220, 18, 0},
    {6705, C, u"Send Ctrl-D after Job", 16, 38, 220, 18, 0},
    {6706, C, u"Send PJL - Job Commands", 16, 60, 220, 18, 0},
    {6707, B, u"", 240, 61, 16, 16, 0},
    {6701, C, u"Compress Bitmaps", 16, 82, 220, 18, 0},
    {6702, C, u"Print PS Error Information", 16, 104, 220, 18, 0},
    {1, B, u"OK", 96, 136, 80, 24, 0},
    {2, B, u"Cancel", 182, 136, 80, 24, 0},
};

// Watermark Details: the watermarks with New and Delete, the message, the
// font, shading, style and colour lists, the size and the angle.
const IMAGE_RESOURCE_CONTROL kWatermarkDetails[] = {
    {5001, S, u"&Select a Watermark", 12, 8, 200, 16, 0},
    {5002, LB, u"", 12, 26, 200, 110, 0},
    {5003, B, u"&New", 220, 26, 80, 24, 0},
    {5004, B, u"D&elete", 220, 56, 80, 24, 0},
    {5020, B, u"", 304, 30, 16, 16, 0},
    {5005, S, u"&Message Text", 12, 144, 200, 16, 0},
    {5006, E, u"", 12, 162, 288, 22, 0},
    {6533, B, u"", 304, 165, 16, 16, 0},
    {5011, S, u"&Font", 12, 194, 100, 16, 0},
    {5012, CB, u"", 12, 212, 180, 22, 0},
    {5013, S, u"Shading", 200, 194, 100, 16, 0},
    {5014, CB, u"", 200, 212, 120, 22, 0},
    {5018, S, u"Style", 12, 242, 100, 16, 0},
    {5019, CB, u"", 12, 260, 120, 22, 0},
    {5023, S, u"Color", 140, 242, 100, 16, 0},
    {5024, CB, u"", 140, 260, 120, 22, 0},
    {5015, S, u"Size", 268, 242, 60, 16, 0},
    {5016, E, u"", 268, 260, 40, 22, 0},
    {5017, UD, u"", 308, 260, 16, 22, 0},
    {5008, C, u"Dia&gonal", 12, 292, 100, 18, 0},
    {5009, C, u"&Horizontal", 12, 312, 100, 18, 0},
    {5021, C, u"Ang&le:", 12, 332, 80, 18, 0},
    {5022, E, u"", 92, 330, 40, 22, 0},
    {5025, UD, u"", 132, 330, 16, 22, 0},
    {1070, S, u"", 200, 290, 94, 70, 0},
    {1, B, u"OK", 160, 370, 80, 24, 0},
    {2, B, u"Cancel", 248, 370, 80, 24, 0},
};

#undef FOOTER

template <size_t N>
constexpr IMAGE_RESOURCE_DIALOG Page(UINT id, const IMAGE_RESOURCE_CONTROL (&controls)[N], LPCWSTR caption = u"",
                                     INT width = kWidth, INT height = kHeight) {
  return IMAGE_RESOURCE_DIALOG{id, caption, width, height, static_cast<DWORD>(N), controls};
}

const IMAGE_RESOURCE_DIALOG kDialogs[] = {
    Page(1000, kBasics),      Page(2000, kPaper),    Page(3000, kFinishing),
    Page(4000, kDestination), Page(6000, kEffects),  Page(6500, kPostScript),
    Page(7000, kConfigure),   Page(11520, kAbout, u"About This Driver", 360, 330),
    Page(8000, kCustomPaper, u"Custom Paper Size", 312, 172),
    Page(11535, kSourceNotice, u"Paper Source", 320, 124),
    Page(12000, kForms),
    Page(6700, kAdvancedPostScript, u"Advanced PS", 272, 172),
    Page(5000, kWatermarkDetails, u"Watermark Details", 336, 404),
};

}  // namespace

const IMAGE_RESOURCE_DIALOG* DialogTemplateEntries(size_t* count) {
  if (count != nullptr) *count = std::size(kDialogs);
  return kDialogs;
}

// The dialog section of the module's image, where the platform's loader
// finds it.
extern "C" __attribute__((visibility("default"), used)) const IMAGE_DIALOG_SECTION w32_dialog_section = {
    IMAGE_DIALOG_SIGNATURE, IMAGE_DIALOG_VERSION, static_cast<DWORD>(std::size(kDialogs)), kDialogs};
