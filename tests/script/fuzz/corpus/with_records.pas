type
  TRange = record Low, High: integer; end;
  TChannel = record Name: string; Gain: double; Limits: TRange; Cells: array[0..2] of integer; end;
  TChannels = array of TChannel;
const
  Origin: TRange = (Low: -1; High: 1);
var
  c: TChannel;
  t: array[1..3] of TChannel;
  list: TChannels;
  r1, r2: TRange;
  i: integer;
  d: TDevice;
function Made(a, b: integer): TRange;
begin
  with Result do begin Low := a; High := b; end;
end;
procedure Widen(var r: TRange; by: integer);
begin
  with r do begin Low := Low - by; High := High + by; end;
end;
begin
  with c, Limits do begin Name := 'ch'; Gain := 2.5; Low := -10; High := 10; Cells[1] := 7; Name[1] := 'C'; end;
  i := 2;
  with t[i] do begin i := 3; Name := 'second'; Cells[i - 1] := 42; end;
  with t[2].Limits do High := Low + 5;
  r1 := Made(1, 2);
  r2 := Made(3, 4);
  with r1, r2 do writeLn(IntToStr(Low) + IntToStr(High));
  with r1 do begin with r2 do Low := 30; High := 20; end;
  Widen(r1, 5);
  SetLength(list, 2);
  with list[1] do begin Name := 'shared'; Inc(Cells[0], 3); end;
  with Made(7, 9) do writeLn(IntToStr(Low + High));
  with Origin do writeLn(IntToStr(Low));
  d := TDevice.create(nil);
  with d, c do begin Level := 3; writeLn(Name); end;
  with t[5] do Name := 'out of range';
end.
