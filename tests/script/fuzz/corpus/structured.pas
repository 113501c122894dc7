type
  TLevel = (lvA, lvB, lvC);
  TLevels = set of TLevel;
  TPair = record Key: string; Value: integer; end;
  TPairs = array of TPair;
  TGrid = array[TLevel, 0..2] of integer;
const
  Names: array[TLevel] of string = ('a', 'b', 'c');
  Origin: TPair = (Key: 'o'; Value: 0);
var
  pairs: TPairs;
  g: TGrid;
  s: TLevels;
  m: TMode;
  d: TDevice;
  sp: TSpan;
  i: integer;
  l: TLevel;
begin
  SetLength(pairs, 3);
  for i := 0 to High(pairs) do begin pairs[i] := Origin; pairs[i].Value := i; end;
  pairs := Copy(pairs, 1, 1);
  for l := Low(TLevel) to High(TLevel) do g[l, Ord(l)] := Length(Names[l]);
  s := [lvA] + [lvC] - [lvB];
  Include(s, lvB);
  if (lvB in s) and Has(mdAll, mdOn) then writeLn(Join(['x', 1, 2.5, True]) + UpCase('q'));
  d := device;
  d[1] := d[2] + Total([1, 2, 3], 2);
  sp.First := Low(pairs);
  case m of mdOff..mdOn: writeLn('#'#13#10); else Exit; end;
end.
