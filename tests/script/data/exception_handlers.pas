// Handlers matched through the class tree: the first handler whose class is the exception's
// class or one of its parents runs; the else part takes the rest; "raise;" passes the same
// object on; finally parts run on the way out; scripts make and raise their own objects.
var
  zero, i: integer;
  x: double;
  log: string;
  kept: Exception;

function Classify(n: integer): string;
var
  x: double;
begin
  x := 0;
  try
    case n of
      0: Result := IntToStr(1 div zero);
      1: x := 1 / x;
      2: raise EConvertError.Create('bad text');
      3: raise Exception.Create('plain');
      4: Abort;
      5: raise ERangeError.Create('made by the script');
    end;
    Result := 'no exception';
  except
    on E: EDivByZero do Result := 'EDivByZero handler';
    on E: EIntError do Result := 'EIntError handler';
    on E: EMathError do Result := 'EMathError handler: ' + E.ClassName;
    on EConvertError do Result := 'EConvertError handler without a variable';
  else
    Result := 'else part: ' + ExceptionMessage;
  end;
end;

// The first matching handler wins, even when a later one names the class itself.
function FirstMatch: string;
begin
  try
    Result := IntToStr(1 div zero);
  except
    on E: EExternal do Result := 'EExternal first';
    on E: EDivByZero do Result := 'EDivByZero second';
  end;
end;

procedure Rethrow(const why: string);
begin
  try
    raise EConvertError.Create(why);
  except
    on E: EConvertError do
    begin
      E.Message := E.Message + ' (seen in Rethrow)';
      raise;
    end;
  end;
end;

procedure Cleanup(var steps: string);
begin
  try
    steps := steps + 'body ';
    i := StrToInt('x');
    steps := steps + 'not reached ';
  finally
    steps := steps + 'finally';
  end;
end;

begin
  zero := 0;
  for i := 0 to 6 do writeLn(IntToStr(i) + ': ' + Classify(i));
  writeLn(FirstMatch);

  // An exception no handler takes goes on outwards, past the inner try.
  try
    try
      raise EInvalidOp.Create('inner');
    except
      on E: EConvertError do writeLn('wrong handler');
    end;
  except
    on E: EMathError do writeLn('outer ' + E.ClassName + ': ' + E.Message);
  end;

  // "raise;" keeps the object: its class, and the message the handler changed.
  try
    Rethrow('abc');
  except
    on E: Exception do writeLn('re-raised ' + E.ClassName + ': ' + E.Message);
  end;

  // A runtime fault re-raised keeps its class too.
  try
    try
      x := 0;
      x := 1 / x;
    except
      writeLn('plain handler: ' + ExceptionMessage);
      raise;
    end;
  except
    on E: EZeroDivide do writeLn('re-raised fault ' + E.ClassName);
  end;

  // A handler may raise an exception of another class.
  try
    try
      i := StrToInt('12a');
    except
      on E: EConvertError do raise EArgumentException.Create('channel: ' + E.Message);
    end;
  except
    on E: EArgumentException do writeLn(E.ClassName + ': ' + E.Message);
  end;

  // finally parts run while the exception passes.
  log := '';
  try
    Cleanup(log);
  except
    on E: EConvertError do log := log + ', caught';
  end;
  writeLn(log);

  // Objects made and kept: their class, message, and tests with is and as. Raised, an
  // object belongs to the handler that takes it (Object Pascal frees it there).
  kept := EStackOverflow.Create('kept');
  writeLn(kept.ClassName + ' ' + kept.Message);
  if kept is EExternal then writeLn('EStackOverflow is an EExternal');
  if not (kept is EMathError) then writeLn('EStackOverflow is not an EMathError');
  kept.Message := 'changed';
  writeLn((kept as Exception).Message);
  try
    raise kept;
  except
    on E: Exception do
      if E = kept then writeLn('the same object is caught: ' + E.Message);
  end;
  kept := nil;

  // The handler's variable belongs to its handler; the name is free outside.
  try
    raise EOverflow.Create('o');
  except
    on kept: EOverflow do writeLn('handler variable ' + kept.ClassName);
  end;
  if kept = nil then writeLn('outside: nil');

  // Break and Continue leave a handler as they leave any statement.
  log := '';
  for i := 1 to 5 do
    try
      if i mod 2 = 0 then raise EAbort.Create('skip');
      log := log + IntToStr(i);
    except
      on EAbort do
        if i = 4 then Break else Continue;
    end;
  writeLn(log);
end.
(* output
0: EDivByZero handler
1: EMathError handler: EZeroDivide
2: EConvertError handler without a variable
3: else part: plain
4: else part: Operation aborted
5: EIntError handler
6: no exception
EExternal first
outer EInvalidOp: inner
re-raised EConvertError: abc (seen in Rethrow)
plain handler: Division by zero
re-raised fault EZeroDivide
EArgumentException: channel: '12a' is not a valid integer value
body finally, caught
EStackOverflow kept
EStackOverflow is an EExternal
EStackOverflow is not an EMathError
changed
the same object is caught: changed
handler variable EOverflow
outside: nil
13
*)
