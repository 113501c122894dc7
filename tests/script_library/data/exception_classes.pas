// The library's routines raise the classes of Object Pascal's SysUtils and Classes units,
// caught here by class and through their parents; CreateFmt formats a message.
var
  list, none: TStringList;
  x: double;
  d: TDateTime;
  i: integer;

procedure Show(E: Exception);
begin
  writeLn(E.ClassName + ': ' + E.Message);
end;

begin
  // conversions
  try d := StrToDate('32.01.2026'); except on E: EConvertError do Show(E); end;
  try d := StrToTime('25:00'); except on E: EConvertError do Show(E); end;
  try d := StrToDateTime('01.01.2026 x'); except on E: EConvertError do Show(E); end;
  try d := EncodeDate(2026, 2, 29); except on E: EConvertError do Show(E); end;
  try d := EncodeTime(24, 0, 0, 0); except on E: EConvertError do Show(E); end;
  try d := IncMonth(EncodeDate(9999, 12, 1), 1); except on E: EConvertError do Show(E); end;
  try writeLn(Format('%d items', ['many'])); except on E: EConvertError do Show(E); end;
  try writeLn(Format('%s and %s', ['one'])); except on E: EConvertError do Show(E); end;
  try if StrToBool('maybe') then writeLn('?'); except on E: EConvertError do Show(E); end;
  // maths
  try i := Floor(1e10); except on E: EMathError do Show(E); end;
  try x := Log10(0); except on E: EMathError do Show(E); end;
  try x := RoundTo(1.5, 40); except on E: EIntError do Show(E); end;
  x := Infinity;
  x := x + 1;
  writeLn('Infinity + 1 = ' + FloatToStr(x));
  x := NaN;
  x := x * 2;
  writeLn('NaN * 2 = ' + FloatToStr(x));
  x := Infinity;
  try x := x - x; except on E: EInvalidOp do Show(E); end;
  // lists
  list := TStringList.Create;
  list.Add('a');
  try writeLn(list[3]); except on E: EListError do Show(E); end;
  try list[-1] := 'b'; except on E: EStringListError do Show(E); end;
  try list.Delete(1); except on E: EStringListError do Show(E); end;
  list.Sorted := True;
  try list.Insert(0, 'b'); except on E: EStringListError do Show(E); end;
  list.Duplicates := dupError;
  try list.Add('A'); except on E: EStringListError do Show(E); end;
  try list.AddStrings(none); except on E: EAccessViolation do Show(E); end;
  // files
  try list.LoadFromFile('missing.txt'); except on E: EStreamError do Show(E); end;
  try list.SaveToFile('no/such/folder/list.txt'); except on E: EFileStreamError do Show(E); end;
  try ForceDirectories(''); except on E: EInOutError do Show(E); end;
  // made by the script with a formatted message
  try
    raise EConvertError.CreateFmt('channel %d: %s', [3, 'no value']);
  except
    on E: EConvertError do Show(E);
  end;
  try
    raise Exception.CreateFmt('%d', ['not a number']);
  except
    on E: Exception do Show(E);
  end;
end.
(* output
EConvertError: '32.01.2026' is not a valid date
EConvertError: '25:00' is not a valid time
EConvertError: '01.01.2026 x' is not a valid date and time
EConvertError: Invalid argument to date encode
EConvertError: Invalid argument to time encode
EConvertError: Invalid argument to date encode
EConvertError: Format '%d items' invalid or incompatible with argument
EConvertError: No argument for format '%s and %s'
EConvertError: 'maybe' is not a valid boolean value
EInvalidOp: Invalid floating point operation
EInvalidOp: Invalid floating point operation
ERangeError: RoundTo: digit 40 is out of range -37..37
Infinity + 1 = INF
NaN * 2 = NAN
EInvalidOp: Invalid floating point operation
EStringListError: List index out of bounds (3). TStringList range is 0..0
EStringListError: List index out of bounds (-1). TStringList range is 0..0
EStringListError: List index out of bounds (1). TStringList range is 0..0
EStringListError: Operation not allowed on sorted list
EStringListError: String list does not allow duplicates
EAccessViolation: AddStrings: the list to add is nil
EFOpenError: Cannot open file "missing.txt". No such file or directory
EFCreateError: Cannot create file "no/such/folder/list.txt". No such file or directory
EInOutError: Unable to create directory
EConvertError: channel 3: no value
EConvertError: Format '%d' invalid or incompatible with argument
*)
