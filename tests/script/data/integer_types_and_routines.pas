// Integer and float types with their widths, promotion to Int64, out and default
// parameters, Exit with a value, records and enumerations through parameters.
type
  TLevel = (lvLow, lvMid, lvHigh);
  TPoint = record
    X, Y: integer;
  end;
var
  b: Byte;
  w: Word;
  si: ShortInt;
  sm: SmallInt;
  c: Cardinal;
  i64: Int64;
  lw: LongWord;
  sg: Single;
  ex: Extended;
  i: integer;
  p: TPoint;
  lv: TLevel;
  q, r: integer;

function Level(v: integer; limit: integer = 10): TLevel;
begin
  if v < limit then Exit(lvLow);
  if v < limit * 10 then Exit(lvMid);
  Result := lvHigh;
end;

procedure DivMod(a, b: integer; out quotient, remainder: integer);
begin
  quotient := a div b;
  remainder := a mod b;
end;

procedure Move(var pt: TPoint; dx: integer; dy: integer = 0);
begin
  pt.X := pt.X + dx;
  pt.Y := pt.Y + dy;
end;

function Fact(n: integer): Int64;
begin
  if n <= 1 then Result := 1 else Result := n * Fact(n - 1);
end;

function IsEven(n: integer): boolean; forward;

function IsOdd(n: integer): boolean;
begin
  if n = 0 then Result := False else Result := IsEven(n - 1);
end;

function IsEven(n: integer): boolean;
begin
  if n = 0 then Result := True else Result := IsOdd(n - 1);
end;

begin
  b := 255;
  Inc(b);
  w := 65535;
  w := w + 2;
  si := 127;
  Inc(si);
  sm := -32768;
  Dec(sm);
  writeLn(IntToStr(b) + ' ' + IntToStr(w) + ' ' + IntToStr(si) + ' ' + IntToStr(sm));
  c := 4000000000;
  lw := c;
  i64 := c + c;
  writeLn(IntToStr(c) + ' ' + IntToStr(lw) + ' ' + IntToStr(i64));
  i := 2147483647;
  i64 := Int64(i) + 1;
  writeLn(IntToStr(i64) + ' ' + IntToStr(High(Byte)) + ' ' + IntToStr(Low(ShortInt)) + ' ' + IntToStr(High(Word)));
  sg := 1.5;
  ex := sg * 2 + b;
  writeLn(FloatToStr(ex));
  writeLn(IntToStr(Ord(Level(5))) + IntToStr(Ord(Level(50))) + IntToStr(Ord(Level(500))) + IntToStr(Ord(Level(50, 100))));
  DivMod(17, 5, q, r);
  writeLn(IntToStr(q) + ' ' + IntToStr(r));
  p.X := 1;
  p.Y := 1;
  Move(p, 2);
  Move(p, 1, 5);
  writeLn(IntToStr(p.X) + ',' + IntToStr(p.Y));
  writeLn(IntToStr(Fact(20)));
  if IsEven(10) and IsOdd(7) then writeLn('forward ok');
  lv := lvMid;
  case lv of
    lvLow..lvMid: writeLn('not high');
    lvHigh: writeLn('high');
  end;
end.

(* output
0 1 -128 32767
4000000000 4000000000 8000000000
2147483648 255 -128 65535
3
0120
3 2
4,6
2432902008176640000
forward ok
not high
*)
