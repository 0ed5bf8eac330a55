#include "pdl/PSFontProcSets.h"

namespace psfonts {

namespace {

// Type 3: glyphs are 1-bit images read as hexadecimal rows from the job.
// A base font /DDLfffsss has its glyph procedures in CharProcs and their
// names in Encoding; the font is also reachable as ddlfffsss in userdict,
// where AddImg adds glyphs to it after it was defined. Each font family
// keeps its own font matrix procedure name (T3fM, T42fM, T1fM), so a
// later procset cannot change the matrix of another family's fonts.
const char kType3Body[] = R"PS(/T3fM [1 0 0 1 0 0] def
/t3mF {findfont dup length dict begin {1 index /FID ne {def} {pop pop} ifelse} forall currentdict end
 1 index exch definefont T3fM makefont def} bind def
/insertnum {1000 add 4 string cvs 1 3 getinterval putinterval} bind def
/T3rd {/qn exch def [ {qn 0 le {exit} if qn 1000 gt {1000} {qn} ifelse string currentfile exch readhexstring pop
 dup length qn exch sub /qn exch def} loop ]} bind def
/T3proc {/qlx qa 4 get def /qly qa 5 get def /qw qa 6 get def /qh qa 7 get def
 [ qa 2 get qa 3 get qlx qly qlx qw add qly qh add 1 add /setcachedevice load
   qw 0 gt qh 0 gt and qs length 0 gt and
   {[0] /qc exch def
    qc 0 0 /put load qw qh true [1 0 0 1 qlx neg qly neg]
    [qc 0 /get load qs /exch load /get load qc 0 qc 0 /get load 1 /add load /put load] cvx
    /imagemask load} if ] cvx /qp exch def} bind def
/T3read {/qa exch def qa 6 get 7 add 8 idiv qa 7 get mul T3rd /qs exch def T3proc} bind def
/T3dict {/qsb exch def /qft exch def (ddl000000) dup 3 qft insertnum dup 6 qsb insertnum cvn userdict exch get} bind def
/T3add {/qname exch def /qcode exch def /qd exch def qname /.notdef ne
 {qd /CharProcs get qname /qp load put qd /Encoding get qcode qname put} if} bind def
/T3DdlCh {T3read qa 0 get qa 8 get T3dict qa 1 get
 (p000000) dup 1 qa 0 get insertnum dup 4 qa 1 get insertnum cvn T3add} bind def
/T3DdlChStd {T3read qa 0 get 0 T3dict qa 1 get StdWinLatin1Encoding qa 1 get get T3add} bind def
/AddImg {T3DdlCh} bind def
/AddImgStd {T3DdlChStd} bind def
/T3initFont {/NF3size exch def /NF3width exch def /NF3sub exch def /NF3id exch def
 (DDL000000) dup 3 NF3id insertnum dup 6 NF3sub insertnum cvn /NF3name exch def
 (ddl000000) dup 3 NF3id insertnum dup 6 NF3sub insertnum cvn /NF3dict exch def} bind def
/PSNewDict {/qdn exch def 8 dict begin /FontType 3 def
 /FontMatrix [1 NF3width div 0 0 -1 NF3size div 0 0] def /FontBBox [0 0 0 0] def
 /Encoding 256 array def 0 1 255 {Encoding exch /.notdef put} for
 /CharProcs 256 dict def CharProcs /.notdef {0 0 0 0 0 0 setcachedevice} put
 /BuildChar {exch begin Encoding exch get CharProcs exch 2 copy known not {pop /.notdef} if get exec end} def
 currentdict end dup userdict exch qdn exch put} bind def
/DefineNewFont { T3initFont NF3name NF3dict PSNewDict definefont pop
} def )PS";

// Type 42: the TrueType tables go down in the sfnts strings; glyph data is
// put into preallocated strings as the text needs it.
const char kType42Body[] = R"PS(/T42fM [1 0 0 -1 0 0] def /initFont {/qt42s exch def /qt42f exch def
 (DDL000000) dup 3 qt42s t42num dup 6 qt42f t42num cvn /t42newfontname exch def} bind def
/t42num {1000 add 4 string cvs 1 3 getinterval putinterval} bind def
/t42mF {findfont dup length dict begin {1 index /FID ne {def} {pop pop} ifelse} forall currentdict end
 1 index exch definefont T42fM makefont def} bind def
/t42gname {3 string cvs dup length 1 add string dup 0 (G) putinterval dup 1 3 index putinterval exch pop cvn} bind def
/T42DCS 257 dict dup begin /.notdef 0 def 0 1 255 {t42gname 0 def} for end readonly def
/Type42Encoding {/Encoding 256 array def 0 1 255 {dup t42gname Encoding 3 1 roll put} for} bind def
/Type42DictBegin {/PaintType 0 def /FontType 42 def /FontMatrix [1 0 0 1 0 0] def /FontBBox [0 0 0 0] def
 /sfnts} bind def
/t42CSB {/CharStrings 266 dict def T42DCS {CharStrings 3 1 roll put} forall} bind def
/t42BBC {/T42NumChars exch def} bind def
/t42EBC { 1 1 T42NumChars {pop CharStrings 3 1 roll put} for } 
bind def )PS";

// Type 1: fonts defined empty (the eexec part carries Private and the
// .notdef charstring); charstrings are added to CharStrings later.
const char kType1Body[] = R"PS(/GBufHex 2 string def /GBufGlyph 3 string def /T1fM [1 0 0 -1 0 0] def /t1mF
 {findfont dup length dict begin {1 index /FID ne {def} {pop pop} ifelse} forall currentdict end
 1 index exch definefont T1fM makefont def} bind def
/GInitEncoding {1 exch {dup GBufGlyph 0 (G) putinterval 16 GBufHex cvrs dup length 1 eq
 {GBufGlyph 1 (0) putinterval GBufGlyph 2 3 -1 roll putinterval} {GBufGlyph 1 3 -1 roll putinterval} ifelse
 GBufGlyph cvn Encoding 3 1 roll put} for} bind def
/T1InitFont {/qt1f exch def /qt1s exch def (DDL000000) dup 3 qt1f 1000 add 4 string cvs 1 3 getinterval putinterval
 dup 6 qt1s 1000 add 4 string cvs 1 3 getinterval putinterval cvn /t1newfontname exch def} bind def
/DefineNewType1Font {T1InitFont /qt1v exch def pop 11 dict begin /FontName t1newfontname def /PaintType 0 def
 /FontType 1 def /FontMatrix [1 qt1v div 0 0 1 qt1v div 0 0] def
 /Encoding 256 array def 0 1 255 {Encoding exch /.notdef put} for 0 255 GInitEncoding
 /FontBBox {0 0 0 0} def currentdict end currentfile eexec } bind def
)PS";

std::string WithCrLf(const char* body) {
  std::string text;
  for (const char* p = body; *p != '\0'; ++p) {
    if (*p == '\n') text += '\r';
    text += *p;
  }
  return text;
}

std::string Type3Text() {
  // Codes below 32 have no glyph: the vector starts with a repeat.
  std::string text = "/T3FastDL 0 def /StdWinLatin1Encoding [32 {/.notdef} repeat ";
  text += kAsciiGlyphNames;
  text += "/.notdef";
  text += kHighGlyphNames[0];
  text += "] def\r\n";
  return text + WithCrLf(kType3Body);
}

}  // namespace

const std::string& Type3ProcSet() {
  static const std::string text = Type3Text();
  return text;
}

const std::string& Type42ProcSet() {
  static const std::string text = WithCrLf(kType42Body);
  return text;
}

const std::string& Type1ProcSet() {
  static const std::string text = WithCrLf(kType1Body);
  return text;
}

std::string GlyphMapping(int32_t number) {
  if (number < 0 || number >= 5) return "mappings 5 [] put ";
  std::string text = "mappings " + std::to_string(number) + " [";
  for (int code = 0; code < 32; ++code) text += "/.notdef";
  text += "\r\n";
  if (number == 4) {
    text += kSymbolGlyphNames;
  } else {
    text += kAsciiGlyphNames;
    text += "/.notdef";
    text += kHighGlyphNames[number];
  }
  text += "] put ";
  return text;
}

int32_t MappingForEncoding(int32_t encoding) {
  switch (encoding) {
    case 5: return 1;
    case 6: return 2;
    case 12: return 3;
    case 3: return 4;
    case 53:
    case 54:
    case 55: return 5;
    default: return 0;
  }
}

}  // namespace psfonts
