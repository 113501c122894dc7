program NestedRoutines;
// Routines nested in routines at any depth: reading and writing the enclosing routines'
// parameters (value and var) and locals, Result and the function name of an enclosing
// function, recursion, calls between siblings and to the enclosing routine, forward
// declarations, local types and constants, and names hiding outer ones.
var
  log: string;

// A quicksort whose helpers work on the enclosing routine's var parameter.
procedure Sort(var a: array of integer);

  procedure Exchange(i, j: integer);
  var
    t: integer;
  begin
    t := a[i];
    a[i] := a[j];
    a[j] := t;
  end;

  procedure QuickSort(lo, hi: integer);
  var
    i, j, pivot: integer;
  begin
    i := lo;
    j := hi;
    pivot := a[(lo + hi) div 2];
    repeat
      while a[i] < pivot do Inc(i);
      while a[j] > pivot do Dec(j);
      if i <= j then
      begin
        Exchange(i, j);
        Inc(i);
        Dec(j);
      end;
    until i > j;
    if lo < j then QuickSort(lo, j);
    if i < hi then QuickSort(i, hi);
  end;

begin
  if Length(a) > 1 then QuickSort(0, High(a));
end;

// Three levels: each reads and writes the levels around it.
function Report(const title: string; var count: integer): string;
const
  Separator = ',';
type
  TPair = record
    Key: string;
    Value: integer;
  end;
var
  pairs: array[1..3] of TPair;
  n: integer;

  procedure Add(const key: string; value: integer);

    procedure Store(var pair: TPair);
    begin
      pair.Key := key;
      pair.Value := value;
      Inc(count);
    end;

  begin
    Inc(n);
    Store(pairs[n]);
  end;

  function Joined: string;
  var
    k: integer;
  begin
    Joined := title + ':';
    for k := 1 to n do
    begin
      if k > 1 then Result := Result + Separator;
      Result := Result + ' ' + pairs[k].Key + '=' + IntToStr(pairs[k].Value);
    end;
  end;

  procedure Finish;
  begin
    Report := Joined + ' (' + IntToStr(n) + ')';  // the enclosing function's result
  end;

begin
  n := 0;
  Add('Ur', 5000);
  Add('Ir', 1600);
  Finish;
end;

// Mutual recursion of siblings through a forward declaration; the counter of the
// enclosing routine counts every call.
function Parity(n: integer): string;
var
  calls: integer;

  function IsOdd(k: integer): boolean; forward;

  function IsEven(k: integer): boolean;
  begin
    Inc(calls);
    if k = 0 then IsEven := true else IsEven := IsOdd(k - 1);
  end;

  function IsOdd(k: integer): boolean;
  begin
    Inc(calls);
    if k = 0 then IsOdd := false else IsOdd := IsEven(k - 1);
  end;

begin
  calls := 0;
  if IsEven(n) then Result := 'even' else Result := 'odd';
  Result := Result + ' after ' + IntToStr(calls) + ' calls';
end;

// Recursion of the enclosing routine: each activation's nested routine sees its own frame.
function Depth(level: integer): string;
var
  mark: string;

  procedure Note;
  begin
    mark := mark + IntToStr(level);
    log := log + mark + ' ';
  end;

begin
  mark := '#';
  Note;
  if level < 3 then Result := Depth(level + 1) + '<' + IntToStr(level) else Result := 'bottom';
  Note;
end;

// A local of the nested routine hides the enclosing routine's variable of the same name.
function Hiding: string;
var
  x: integer;

  procedure Inner;
  var
    x: integer;
  begin
    x := 2;
    log := log + IntToStr(x);
  end;

begin
  x := 1;
  Inner;
  Result := IntToStr(x);
end;

var
  values: array of integer;
  counted, i: integer;
  text: string;
begin
  values := [5, 3, 9, 1, 7, 3];
  Sort(values);
  text := '';
  for i := 0 to High(values) do text := text + IntToStr(values[i]) + ' ';
  writeLn(text);
  counted := 10;
  writeLn(Report('ranges', counted));
  writeLn(IntToStr(counted));
  writeLn(Parity(7));
  log := '';
  writeLn(Depth(1));
  writeLn(log);
  log := '';
  writeLn(Hiding + log);
end.
(* output
1 3 3 5 7 9 
ranges: Ur=5000, Ir=1600 (2)
12
odd after 8 calls
bottom<2<1
#1 #2 #3 #33 #22 #11 
12
*)
