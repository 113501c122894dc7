// Type casts, shadowing, local constants and types, and a script routine that replaces
// a system one of the same name.
type
  TSmallRow = array[5..9] of byte;
var
  x: integer;
  o: TObject;
  c: TComponent;

function Trim(const s: string): string;
begin
  Result := '<' + s + '>';
end;

procedure Show;
const
  Limit = 3;
type
  TSmall = array[1..Limit] of char;
var
  x: integer;
  letters: TSmall;
begin
  x := 7;
  letters[1] := 'a';
  letters[Limit] := 'c';
  writeLn('local x=' + IntToStr(x) + ' ' + letters[1] + letters[3] + IntToStr(Ord(letters[2])));
end;

begin
  x := 1;
  Show;
  writeLn('global x=' + IntToStr(x));
  writeLn(IntToStr(Integer('A')) + ' ' + IntToStr(Byte(300)) + ' ' + Char(66) + ' ' + IntToStr(Word(-1)));
  if Boolean(2) then writeLn('true cast');
  c := TComponent.Create(nil);
  c.Name := 'comp';
  o := c;
  writeLn(TComponent(o).Name + ' ' + Trim('x'));
  writeLn(FloatToStr(Double(3) / 2));
  writeLn(IntToStr(High(integer)) + ' ' + IntToStr(Low(shortint)) + ' ' + IntToStr(High(TSmallRow)) + ' ' + IntToStr(Ord(High(char))));
end.
(* output
local x=7 ac0
global x=1
65 44 B 65535
true cast
comp <x>
1.5
2147483647 -128 9 255
*)
