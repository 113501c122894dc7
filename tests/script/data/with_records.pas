// 'with' on records: variables, array elements, nested fields, several records at once,
// nesting, var parameters, dynamic array elements, and records that are values only.
type
  TRange = record
    Low, High: integer;
  end;
  TChannel = record
    Name: string;
    Gain: real;
    Limits: TRange;
    Samples: array[0..2] of integer;
  end;
  TChannels = array of TChannel;
const
  Origin: TRange = (Low: -1; High: 1);
var
  c: TChannel;
  table: array[1..3] of TChannel;
  list: TChannels;
  other: TChannels;
  r1, r2: TRange;
  i, calls: integer;
  Low: integer;
  owner: TComponent;

function NextIndex: integer;
begin
  calls := calls + 1;
  Result := calls;
end;

function Made(a, b: integer): TRange;
begin
  Result.Low := a;
  Result.High := b;
end;

procedure Widen(var r: TRange; by: integer);
begin
  with r do
  begin
    Low := Low - by;
    High := High + by;
  end;
end;

function Describe(const c: TChannel): string;
begin
  with c, Limits do
    Result := Name + ' x' + FloatToStr(Gain) + ' [' + IntToStr(Low) + '..' + IntToStr(High) + '] ' +
      IntToStr(Samples[0]) + ',' + IntToStr(Samples[1]) + ',' + IntToStr(Samples[2]);
end;

begin
  // A plain record variable: reads and writes of its fields, a string field indexed.
  with c do
  begin
    Name := 'volts';
    Gain := 2.5;
    Limits.Low := -10;
    Limits.High := 10;
    Samples[1] := 7;
    Name[1] := 'V';
  end;
  writeLn(Describe(c));

  // An element of a static array: the index is evaluated once, at the start; writes reach
  // the array itself.
  calls := 0;
  with table[NextIndex] do
  begin
    Name := 'first';
    Limits.High := calls;
    Gain := 1;
  end;
  i := 2;
  with table[i] do
  begin
    i := 3;
    Name := 'second';
    Samples[i - 1] := 42;
  end;
  for i := 1 to 3 do writeLn(IntToStr(i) + ': ' + Describe(table[i]));
  writeLn('calls ' + IntToStr(calls));

  // A record inside a record, and a field inside an element inside a field.
  with table[2].Limits do
  begin
    Low := 5;
    High := Low * 2;
  end;
  with c.Limits do High := High + 1;
  writeLn(IntToStr(table[2].Limits.Low) + ' ' + IntToStr(table[2].Limits.High) + ' ' + IntToStr(c.Limits.High));

  // Several records: a later one hides an earlier one's fields; an inner 'with' hides an
  // outer one, and both hide a global of the same name.
  Low := 100;
  r1 := Made(1, 2);
  r2 := Made(3, 4);
  with r1, r2 do writeLn(IntToStr(Low) + ' ' + IntToStr(High));
  with r1 do
  begin
    with r2 do Low := 30;
    High := 20;
    writeLn(IntToStr(Low));
  end;
  writeLn(IntToStr(r1.Low) + ' ' + IntToStr(r1.High) + ' ' + IntToStr(r2.Low) + ' ' + IntToStr(Low));

  // A var parameter's record.
  Widen(r1, 5);
  writeLn(IntToStr(r1.Low) + '..' + IntToStr(r1.High));

  // An element of a dynamic array is written in place, seen through every reference.
  SetLength(list, 2);
  other := list;
  with list[1] do
  begin
    Name := 'shared';
    Inc(Samples[0], 3);
  end;
  writeLn(other[1].Name + ' ' + IntToStr(other[1].Samples[0]));

  // Records that are values only: a function's result and a typed constant, read.
  with Made(7, 9) do writeLn(IntToStr(Low + High));
  with Origin do writeLn(IntToStr(Low) + '..' + IntToStr(High));

  // An object and a record together: the record, opened later, hides the object's Name.
  owner := TComponent.Create(nil);
  owner.Name := 'owner';
  with owner, c do writeLn(Name);
  with c, owner do writeLn(Name);
  owner.Free;
end.

(* output
Volts x2.5 [-10..10] 0,7,0
1: first x1 [0..1] 0,0,0
2: second x0 [0..0] 0,0,42
3:  x0 [0..0] 0,0,0
calls 1
5 10 11
3 4
1
1 20 30 100
-4..25
shared 3
16
-1..1
Volts
owner
*)
