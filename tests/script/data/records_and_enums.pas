// Records, enumerations, subranges, typed constants: a channel table as a rig engineer writes it.
type
  TTestMode = (tmIdle, tmCharge, tmDischarge, tmPulse);
  TChannelNo = 0..7;
  TLetter = 'a'..'z';
  TRange = record
    Low, High: integer;
  end;
  TChannel = record
    No: TChannelNo;
    Name: string;
    RangeMV: integer;
    Limits: TRange;
    Mode: TTestMode;
  end;
const
  Channels = 4;
  Total = Channels * 2 + 1;
  RangesMV: array[0..3] of integer = (5000, 1600, 500, 160);
  Origin: TRange = (Low: -1; High: 1);
  ModeNames: array[TTestMode] of string = ('idle', 'charge', 'discharge', 'pulse');
var
  table: array[0..3] of TChannel;
  c, d: TChannel;
  m: TTestMode;
  i: integer;
  s: string;
  ch: char;

function Describe(const c: TChannel): string;
begin
  Result := IntToStr(c.No) + ':' + c.Name + '=' + IntToStr(c.RangeMV) + ' [' +
    IntToStr(c.Limits.Low) + '..' + IntToStr(c.Limits.High) + '] ' + ModeNames[c.Mode];
end;

function Widened(c: TChannel): TChannel;
begin
  c.Limits.Low := c.Limits.Low * 2;
  c.Limits.High := c.Limits.High * 2;
  Result := c;
end;

begin
  for i := 0 to Channels - 1 do
  begin
    table[i].No := i;
    table[i].Name := 'ch' + IntToStr(i);
    table[i].RangeMV := RangesMV[i];
    table[i].Limits := Origin;
    table[i].Mode := TTestMode(i);
  end;
  for i := Low(table) to High(table) do writeLn(Describe(table[i]));
  c := table[1];
  c.Name := 'copy';
  writeLn(table[1].Name + ' ' + c.Name);
  d := Widened(c);
  writeLn(IntToStr(c.Limits.High) + ' ' + IntToStr(d.Limits.High));
  writeLn(IntToStr(Total) + ' ' + IntToStr(Low(TChannelNo)) + ' ' + IntToStr(High(TChannelNo)));
  s := '';
  for m := Low(TTestMode) to High(TTestMode) do s := s + IntToStr(Ord(m));
  writeLn(s);
  m := tmCharge;
  Inc(m);
  if m = tmDischarge then writeLn('inc ok');
  m := Succ(m);
  writeLn(ModeNames[m] + ' ' + ModeNames[Pred(m)]);
  case m of
    tmIdle: writeLn('idle');
    tmCharge, tmDischarge: writeLn('charging');
  else
    writeLn('other');
  end;
  if tmIdle < tmPulse then writeLn('ordered');
  ch := High(TLetter);
  writeLn(ch + UpCase('q') + UpCase(ch) + Chr(Ord('A') + 2) + IntToStr(Length('x'#13#10'y')));
  s := 'abc';
  s[2] := UpCase(s[2]);
  writeLn(s);
end.

(* output
0:ch0=5000 [-1..1] idle
1:ch1=1600 [-1..1] charge
2:ch2=500 [-1..1] discharge
3:ch3=160 [-1..1] pulse
ch1 copy
1 2
9 0 7
0123
inc ok
pulse discharge
other
ordered
zQZC4
aBc
*)
