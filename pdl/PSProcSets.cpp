#include "pdl/PSProcSets.h"

#include <string>

namespace {

// The bodies are kept here with plain line ends; the job carries every
// line with carriage return and line feed.
std::string PsWithJobLineEnds(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '\n') out += '\r';
    out += *p;
  }
  return out;
}

// The standard procset. Its operators keep their state in the dictionary
// on top of the dictionary stack (the page setup's "/MOVE 1 def" and the
// one-letter setters define there alike), and read it by plain lookup.
// The redefined restore comes first, so that bind leaves the calls to it
// alone. "AF" is the page device's own default matrix: a Level 2 device
// lays a page whose width exceeds its height across already, so the
// device transform's landscape cases need no further turn.
const char kPsStandardText[] = R"PS(200 dict dup begin
/TYPE_NULL 0 def /TYPE_COLOR_GRAY 1 def /TYPE_COLOR_RGB 2 def /TYPE_PATTERN 3 def
/COLOR_GRAY_O 1 def /COLOR_R_O 2 def /COLOR_G_O 3 def /COLOR_B_O 4 def /PATTERN_ID 5 def
/BRUSH_TYPE 10 def /PEN_TYPE 20 def
/BRUSH_GRAY 11 def /BRUSH_R 12 def /BRUSH_G 13 def /BRUSH_B 14 def /BRUSH_PAT 15 def
/PEN_GRAY 21 def /PEN_R 22 def /PEN_G 23 def /PEN_B 24 def /PEN_PAT 25 def
/xlattr 64 array def 0 1 63 {xlattr exch 0 put} for
/BBOXL 0 def /BBOXT 0 def /BBOXR 0 def /BBOXB 0 def /ELLIPSEDX 0 def /ELLIPSEDY 0 def
/NUMPTS 0 def /ARCDIR 1 def /CLIPREGION 0 def /CLIPMODE 1 def /FILLMODE 1 def /ROPCODE 204 def
/TRANSPARENCY 0 def /TRANSPARENTPATTERN 0 def /COLORMAPPING 0 def /COLORDEPTH 8 def
/SRCWIDTH 0 def /SRCHEIGHT 0 def /DESTWIDTH 0 def /DESTHEIGHT 0 def /STARTLINE 0 def
/BLOCKHEIGHT 0 def /COMPMODE 0 def /DECODER 1 def /IMGDECODE [0 1] def /PALDATA () def
/PALDEPTH 0 def /DATALENGTH 0 def /EXECDATA {pop} def /MOVE 1 def
/patbuf null def /patdict null def /patmatrix matrix def /pattrans null def /pattranscreated false def
/mappings 10 array def
/roplist << 34 [1 0] 136 [1 0] 186 [1 0] 226 [1 0] 184 [0 1] >> def
/pp_save null def
/restore {dup pp_save eq
 {xlattr aload pop 65 -1 roll systemdict /restore get exec xlattr astore pop /pp_save null def}
 {systemdict /restore get exec} ifelse} bind def
/qput {xlattr 3 1 roll exch put} bind def
/tokread {currentfile token not {stop} if} bind def
/a {/ARCDIR exch def} bind def
/b {/BBOXB exch def /BBOXR exch def /BBOXT exch def /BBOXL exch def} bind def
/c {/NUMPTS exch def} bind def
/d {/ELLIPSEDY exch def /ELLIPSEDX exch def} bind def
/e {/CLIPREGION exch def} bind def
/g {/DESTHEIGHT exch def /DESTWIDTH exch def} bind def
/h {/COLORMAPPING exch def} bind def
/i {/COLORDEPTH exch def} bind def
/j {/SRCWIDTH exch def} bind def
/k {/SRCHEIGHT exch def} bind def
/l {EXECDATA} def
/m {/TRANSPARENTPATTERN exch def} bind def
/R3 {/ROPCODE exch def} bind def
/setrgbgray {/qb exch def /qg exch def /qr exch def
 qr qg eq qg qb eq and {qr setgray} {qr qg qb setrgbcolor} ifelse} bind def
/psisfill {xlattr exch get TYPE_NULL ne} bind def
/pssetfill {/qbase exch def xlattr qbase get
 dup TYPE_COLOR_GRAY eq {pop xlattr qbase COLOR_GRAY_O add get 0.0001 sub setgray} {
 dup TYPE_COLOR_RGB eq {pop xlattr qbase COLOR_R_O add get xlattr qbase COLOR_G_O add get
  xlattr qbase COLOR_B_O add get setrgbgray} {
 TYPE_PATTERN eq {xlattr qbase PATTERN_ID add get
  TRANSPARENCY 1 eq TRANSPARENTPATTERN 1 eq and pattranscreated and {pop pattrans} if
  dup type /dicttype eq {setpattern} {pop 0 setgray} ifelse} if
 } ifelse } ifelse} bind def
/dofill {FILLMODE 1 eq {eofill} {fill} ifelse} bind def
/PW {BRUSH_TYPE psisfill
  {PEN_TYPE psisfill {gsave BRUSH_TYPE pssetfill dofill grestore} {BRUSH_TYPE pssetfill dofill} ifelse} if
 PEN_TYPE psisfill {PEN_TYPE pssetfill stroke} if newpath /MOVE 1 def} bind def
/P {ROPCODE 170 eq {newpath /MOVE 1 def} {PW} ifelse} bind def
/arcparams {/cx BBOXL BBOXR add 2 div def /cy BBOXT BBOXB add 2 div def
 /rx BBOXR BBOXL sub abs 2 div def /ry BBOXB BBOXT sub abs 2 div def
 rx 0 eq {/rx 0.00000001 def} if
 ry 0 eq {/ry rx 100000000 div def} if} bind def
/angfrvec {cy sub ry div exch cx sub rx div atan} bind def
/EllipticPath {/qa2 exch def /qa1 exch def matrix currentmatrix cx cy translate rx ry scale
 ARCDIR 1 eq {0 0 1 qa1 qa2 arc} {0 0 1 qa1 qa2 arcn} ifelse setmatrix} bind def
/arcangles {/qey exch def /qex exch def /qsy exch def /qsx exch def arcparams
 qsx qsy angfrvec qex qey angfrvec} bind def
/A {arcangles EllipticPath} bind def
/C {A closepath} bind def
/AA {arcangles cx cy moveto EllipticPath closepath} bind def
/D {ARCDIR 0 eq {/ARCDIR 1 def} if arcparams cx rx add cy moveto 0 360 EllipticPath closepath} bind def
/qearc {/qa2 exch def /qa1 exch def /qey exch def /qex exch def /qcy exch def /qcx exch def
 matrix currentmatrix qcx qcy translate qex qey scale 0 0 1 qa1 qa2 arc setmatrix} bind def
/AB {/qL BBOXL BBOXR 2 copy gt {exch} if /qR exch def def
 /qT BBOXT BBOXB 2 copy gt {exch} if /qB exch def def
 /qrx ELLIPSEDX abs 2 div def /qry ELLIPSEDY abs 2 div def
 qrx 0 eq qry 0 eq or
 {qL qT moveto qR qT lineto qR qB lineto qL qB lineto closepath}
 {qL qrx add qT moveto qR qrx sub qT lineto
  qR qrx sub qT qry add qrx qry 270 360 qearc qR qB qry sub lineto
  qR qrx sub qB qry sub qrx qry 0 90 qearc qL qrx add qB lineto
  qL qrx add qB qry sub qrx qry 90 180 qearc qL qT qry add lineto
  qL qrx add qT qry add qrx qry 180 270 qearc closepath} ifelse} bind def
/BP {/qy exch def /qx exch def /qh exch def /qw exch def
 qx qy moveto qw 0 rlineto 0 qh rlineto qw neg 0 rlineto closepath} bind def
/B {BP P} bind def
/CB {initclip BP clip newpath} bind def
/BZ {1 3 NUMPTS 1 sub {pop tokread tokread tokread tokread tokread tokread curveto} for} bind def
/M {NUMPTS {tokread tokread lineto} repeat} bind def
/Q {MOVE 1 eq {moveto xlattr PEN_TYPE get TYPE_NULL eq {/MOVE 0 def} if} {lineto} ifelse} bind def
/N {closepath /MOVE 1 def} bind def
/O {newpath /MOVE 1 def} bind def
/S {tokread /qsx exch def tokread /qsy exch def
 tokread {tokread qsx add /qsx exch def tokread /qlen exch def qlen 1 qsx qsy B /qsx qsx qlen add def} repeat} bind def
/E {TYPE_NULL BRUSH_TYPE qput} bind def
/F {255 div BRUSH_GRAY qput TYPE_COLOR_GRAY BRUSH_TYPE qput} bind def
/G {BRUSH_PAT qput TYPE_PATTERN BRUSH_TYPE qput} bind def
/H {255 div BRUSH_B qput 255 div BRUSH_G qput 255 div BRUSH_R qput TYPE_COLOR_RGB BRUSH_TYPE qput} bind def
/I {TYPE_NULL PEN_TYPE qput} bind def
/J {255 div PEN_GRAY qput TYPE_COLOR_GRAY PEN_TYPE qput} bind def
/K {PEN_PAT qput TYPE_PATTERN PEN_TYPE qput} bind def
/L {255 div PEN_B qput 255 div PEN_G qput 255 div PEN_R qput TYPE_COLOR_RGB PEN_TYPE qput} bind def
/T {/FILLMODE exch def} bind def
/U {/CLIPMODE exch def} bind def
/V {setlinewidth} bind def
/W {0 setdash} bind def
/Y {initclip} bind def
/Z {/TRANSPARENCY exch def} bind def
/AC {scale} bind def
/AD {rotate} bind def
/AE {translate} bind def
/AF {initmatrix} bind def
/AG {initclip CLIPMODE 0 eq {eoclip} {clip} ifelse newpath /MOVE 1 def} bind def
/AH {setlinecap} bind def
/AI {setlinejoin} bind def
/AJ {setmiterlimit} bind def
/AK {0 eq {/DeviceGray setcolorspace /IMGDECODE [0 1] def}
 {/DeviceRGB setcolorspace /IMGDECODE [0 1 0 1 0 1] def} ifelse} bind def
/AL {/PALDATA exch def /PALDEPTH exch def 0 eq {/DeviceGray 1} {/DeviceRGB 3} ifelse
 /qn exch def /qbase exch def
 [/Indexed qbase PALDATA length qn idiv 1 sub PALDATA] setcolorspace
 /IMGDECODE [0 1 PALDEPTH bitshift 1 sub] def} bind def
/AN {/DECODER exch def /COMPMODE exch def /BLOCKHEIGHT exch def /STARTLINE exch def} bind def
/AQ {/DECODER exch def /COMPMODE exch def /BLOCKHEIGHT exch def /STARTLINE exch def} bind def
/AO {} bind def
/mkfilter {currentfile DECODER 2 eq {/ASCII85Decode filter} if DECODER 1 eq {/ASCIIHexDecode filter} if
 COMPMODE 1 eq {/RunLengthDecode filter} if COMPMODE 2 eq {/DCTDecode filter} if} bind def
/bitsper {COLORDEPTH 24 eq {8} {COLORDEPTH} ifelse} bind def
/imgdecode {COLORMAPPING 1 eq {[0 1 bitsper bitshift 1 sub]} {IMGDECODE} ifelse} bind def
/checkropmask {COLORDEPTH 1 eq roplist ROPCODE known and {roplist ROPCODE get true} {false} ifelse} bind def
/doimage {/DATALENGTH exch def gsave currentpoint translate DESTWIDTH DESTHEIGHT scale
 checkropmask
 {/qdec exch def BRUSH_TYPE pssetfill
  << /ImageType 1 /Width SRCWIDTH /Height BLOCKHEIGHT /ImageMatrix [SRCWIDTH 0 0 SRCHEIGHT 0 STARTLINE neg]
     /BitsPerComponent 1 /Decode qdec /DataSource mkfilter >> imagemask}
 {<< /ImageType 1 /Width SRCWIDTH /Height BLOCKHEIGHT /ImageMatrix [SRCWIDTH 0 0 SRCHEIGHT 0 STARTLINE neg]
     /BitsPerComponent bitsper /Decode imgdecode /DataSource mkfilter >> image} ifelse
 grestore} bind def
/AP {save /pp_save exch def /EXECDATA {doimage} def} bind def
/AR {pp_save restore} bind def
/AS {showpage} bind def
/patcell {16 dict begin /Transp exch def /Dat exch def /Cs currentcolorspace def
 /Bits bitsper def /Dec imgdecode def /W SRCWIDTH def /H SRCHEIGHT def
 /PatternType 1 def /PaintType 1 def /TilingType 1 def
 /BBox [0 0 W H] def /XStep W def /YStep H def
 /PaintProc {begin Bits 1 eq
   {Transp not {1 setgray 0 0 W H rectfill} if 0 setgray W H true [1 0 0 1 0 0] Dat imagemask}
   {Cs setcolorspace << /ImageType 1 /Width W /Height H /ImageMatrix [1 0 0 1 0 0]
     /BitsPerComponent Bits /Decode Dec /DataSource Dat >> image} ifelse end} def
 currentdict end
 DESTWIDTH SRCWIDTH div DESTHEIGHT SRCWIDTH div matrix scale makepattern} bind def
/dopattern {/DATALENGTH exch def
 /patdict SRCWIDTH bitsper mul COLORDEPTH 24 eq {3 mul} if 7 add 8 idiv BLOCKHEIGHT mul string def
 mkfilter patdict readstring pop /patbuf exch def
 patbuf false patcell
 TRANSPARENCY 1 eq TRANSPARENTPATTERN 1 eq and
 {patbuf true patcell /pattrans exch def /pattranscreated true def} if} bind def
/AM {/EXECDATA {dopattern} def} bind def
/splitstr {dup length 3 sub 2 copy 0 exch getinterval 3 1 roll 3 getinterval cvi} bind def
/dict2readwrite {dup length 1 add dict begin {1 index /FID ne {def} {pop pop} ifelse} forall currentdict end} bind def
/SF {findfont 3 1 roll /qang exch def /qmat exch def
 dup /FontType get 3 ne {qmat qang matrix rotate matrix concatmatrix} {qmat} ifelse makefont setfont} bind def
/DF {dup type /stringtype eq
 {dup cvn /qfull exch def FontDirectory qfull known
  {pop}
  {splitstr /qmap exch def cvn findfont dict2readwrite
   qmap 0 ge qmap 10 lt and {mappings qmap get} {null} ifelse
   dup type /arraytype eq {dup length 0 eq {pop null} if} if
   dup null ne {1 index exch /Encoding exch put} {pop} ifelse
   qfull exch definefont pop} ifelse qfull} if SF} bind def
/dotext {/qproc exch def currentpoint /qty exch def /qtx exch def
 BRUSH_TYPE psisfill {BRUSH_TYPE pssetfill} if
 xlattr BRUSH_TYPE get TYPE_PATTERN eq TRANSPARENCY 1 eq and
 {qs false charpath fill}
 {qproc qbold 0 gt
  {1 1 qbold {/qo exch def qtx qo add qty moveto qproc qtx qty qo add moveto qproc
   qtx qo add qty qo add moveto qproc} for} if} ifelse} bind def
/SH {/qbold exch def /qs exch def {qs show} dotext} bind def
/XS {/qbold exch def /qw exch def /qs exch def {qs qw xshow} dotext} bind def
/YS {/qbold exch def /qw exch def /qs exch def {qs qw yshow} dotext} bind def
/XYS {/qbold exch def /qw exch def /qs exch def {qs qw xyshow} dotext} bind def
0 0 0 0 b 0 0 d 0 c 8 i 0 j 0 k 0 0 g 1 T 1 U 0 AK [] W 0 V E 0 0 0 L 0 e 0 h 1 a 0 Z 0 m 204 R3
/MOVE 1 def
end def 
)PS";

// The second procset: abbreviations and page set-up procedures.
const char kPsWin35Text[] = R"PS(94 dict def MS_Win35_Proc begin
/bd {bind def} bind def /in {72 mul} bd /ed {exch def} bd /ld {load def} bd
/tr /translate ld /gs /gsave ld /gr /grestore ld /rmt /rmoveto ld /rlt /rlineto ld /rct /rcurveto ld
/st /stroke ld /n /newpath ld /sm /setmatrix ld /cm /currentmatrix ld /cp /closepath ld /ARC /arcn ld
/lj /setlinejoin ld /lc /setlinecap ld /ml /setmiterlimit ld /sl /setlinewidth ld
/TR {65536 div} bd
/scignore false def
/sc {scignore {pop pop pop}
 {/sB ed /sG ed /sR ed sR sG eq sG sB eq and {sR 255 div setgray} {sR 255 div sG 255 div sB 255 div setrgbcolor} ifelse}
 ifelse} bd
/fC {/fB ed /fG ed /fR ed} bd /hC {/hB ed /hG ed /hR ed} bd /pC {/pB ed /pG ed /pR ed} bd
/FC {fR fG fB sc} bd /HC {hR hG hB sc} bd /PC {pR pG pB sc} bd
0 0 0 fC 0 0 0 hC 0 0 0 pC
/sM matrix def /mxF matrix def /mxE matrix def /mxUE matrix def /mxUF matrix def
/PenW 1 def /iPen 5 def /fBE false def /fPP false def
/iDevRes 72 0 matrix defaultmatrix dtransform dup mul exch dup mul add sqrt def
/SS {fPP {/SVDoc save def} {gsave} ifelse} bd
/RS {fPP {SVDoc restore} {grestore} ifelse} bd
/EJ {gsave showpage grestore} bd
/#C {userdict begin /#copies ed end} bd
/hexd (0123456789ABCDEF) def
/FE {0 1 255 {/fi ed (G00) dup 1 hexd fi -4 bitshift get put dup 2 hexd fi 15 and get put
 cvn 1 index exch fi exch put} for pop} bd
/SM {/iRes ed /iOri ed /iHgt ed /iWid ed /iTop ed /iLft ed /fMirY ed /fMirX ed
 initmatrix iOri 90 eq {90 rotate 0 iHgt 100 div 72 mul neg translate} if
 iOri 270 eq {-90 rotate iWid 100 div 72 mul neg 0 translate} if
 iLft 100 div 72 mul iTop 100 div 72 mul neg translate
 fMirX {iWid 100 div 72 mul 0 translate -1 1 scale} if
 fMirY {0 iHgt 100 div 72 mul neg translate 1 -1 scale} if
 72 100 div -72 100 div scale
 0 0 transform round exch round exch itransform translate
 sM currentmatrix pop} bd
/SJ {dup 0 eq {pop pop /fBE false def} {/brkN ed /brkX ed /fBE true def} ifelse} bd
end
)PS";

// The error handler: replaces handleerror with one that ends the page the
// job was on and prints a report of the error, the memory and the stacks.
const char kPsErrorHandlerText[] = R"PS(userdict begin /$xioerr 40 dict def end
$xioerr begin
/xy 700 def /xx 72 def /xind 0 def
/xnl {/xy xy 12 sub def xy 72 lt {showpage /Times-Roman findfont 10 scalefont setfont /xy 700 def} if
 xx xind 12 mul add xy moveto} bind def
/xs {show} bind def
/xstr 128 string def
/xtype {dup type
 dup /stringtype eq {pop (\() xs xs (\)) xs} {
 dup /operatortype eq {pop (--) xs xstr cvs xs (--) xs} {
 dup /nametype eq {pop dup xcheck {xstr cvs xs} {(/) xs xstr cvs xs} ifelse} {
 dup /integertype eq 1 index /realtype eq or 1 index /booleantype eq or {pop xstr cvs xs} {
 dup /arraytype eq {pop pop (-array-) xs} {
 dup /packedarraytype eq {pop pop (-packedarray-) xs} {
 dup /dicttype eq {pop pop (-dictionary-) xs} {
 dup /marktype eq {pop pop (-mark-) xs} {
 dup /nulltype eq {pop pop (-null-) xs} {
 dup /savetype eq {pop pop (-savelevel-) xs} {
 dup /filetype eq {pop pop (-filestream-) xs} {
 dup /fonttype eq {pop pop (-fontid-) xs} {
 dup /gstatetype eq {pop pop (-gstate-) xs} {
 dup /locktype eq {pop pop (-lock-) xs} {
 dup /conditiontype eq {pop pop (-condition-) xs} {
 pop pop (-) xs} ifelse} ifelse} ifelse} ifelse} ifelse} ifelse} ifelse} ifelse} ifelse} ifelse} ifelse}
 ifelse} ifelse} ifelse} ifelse} bind def
/xelem {dup type dup /arraytype eq exch /packedarraytype eq or {dup rcheck} {false} ifelse
 {/xind xind 1 add def dup length xstr cvs xs ( elements) xs {xnl xtype} forall /xind xind 1 sub def}
 {xtype} ifelse} bind def
/xstack {/xarr exch def xnl xs xarr length xstr cvs xs ( elements) xs
 /xind 1 def xarr {xnl xelem} forall /xind 0 def} bind def
/xdstack {/xarr exch def xnl (DICTIONARY STACK :  ) xs xarr length xstr cvs xs ( elements) xs
 /xind 1 def xarr {xnl (-dictionary- ) xs dup rcheck {length xstr cvs xs} {pop} ifelse} forall /xind 0 def} bind def
/xreport {$error /errorname get /timeout ne {
 showpage /Times-Roman findfont 10 scalefont setfont /xy 712 def /xind 0 def
 xnl (ERROR: ) xs $error /errorname get xstr cvs xs
 xnl (OFFENDING COMMAND: ) xs $error /command get xtype
 xnl (VIRTUAL MEMORY:  ) xs currentglobal {(global:  )} {(local:  )} ifelse xs
 vmstatus xstr cvs xs ( maximum  ) xs xstr cvs xs ( used  ) xs xstr cvs xs ( savelevels) xs
 $error /ostack known {(OPERATOR STACK :  ) $error /ostack get xstack} if
 $error /estack known {(EXECUTION STACK :  ) $error /estack get xstack} if
 $error /dstack known {$error /dstack get xdstack} if
 showpage} if} bind def
end
errordict /handleerror {userdict /$xioerr get begin xreport end} put
)PS";

}  // namespace

namespace PSProcSets {

const char* StandardBody() {
  static const std::string body = PsWithJobLineEnds(kPsStandardText);
  return body.c_str();
}

const char* Win35Body() {
  static const std::string body = PsWithJobLineEnds(kPsWin35Text);
  return body.c_str();
}

const char* ErrorHandlerBody() {
  static const std::string body = PsWithJobLineEnds(kPsErrorHandlerText);
  return body.c_str();
}

}  // namespace PSProcSets
