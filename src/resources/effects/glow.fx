// Glow of the glow particle items (resource 97). The render object draws it in three steps:
// "Blend_Max" draws the glow sprites into a private target cleared to transparent black, keeping the
// brightest value where glows overlap; "Blend_Screen" or "Blend_Normal" lays that target over the scene
// composed so far on the picture quad, writing every pixel opaque; "Common" draws the sprites on top.

texture Texture1;  // the sprites' glow or main texture; in the blend passes, the scene composed so far
texture Texture2;  // the glow target
float4 BlendColor = {1.0, 1.0, 1.0, 1.0};  // glow colour (rgb) and strength (a)

sampler Sprite = sampler_state {
  Texture = <Texture1>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

sampler Glow = sampler_state {
  Texture = <Texture2>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

struct SpritePixel {
  float2 uv : TEXCOORD0;
  float4 color : COLOR0;
};

float4 SpriteColor(SpritePixel p) : COLOR0 {
  return tex2D(Sprite, p.uv) * p.color;
}

float4 ScreenOver(float2 uv : TEXCOORD0) : COLOR0 {
  float3 scene = tex2D(Sprite, uv).rgb;
  float3 glow = tex2D(Glow, uv).rgb * BlendColor.rgb * BlendColor.a;
  return float4(1.0 - (1.0 - scene) * (1.0 - glow), 1.0);
}

float4 NormalOver(float2 uv : TEXCOORD0) : COLOR0 {
  float3 scene = tex2D(Sprite, uv).rgb;
  float cover = saturate(tex2D(Glow, uv).a * BlendColor.a);
  return float4(lerp(scene, BlendColor.rgb, cover), 1.0);
}

technique Blend_Max {
  pass P0 {
    // The scene host writes colour only; the glow target needs its alpha too (the coverage of "Blend_Normal").
    ColorWriteEnable = RED | GREEN | BLUE | ALPHA;
    AlphaBlendEnable = TRUE;
    BlendOp = MAX;
    SrcBlend = ONE;
    DestBlend = ONE;
    PixelShader = compile ps_2_0 SpriteColor();
  }
}

technique Blend_Screen {
  pass P0 {
    AlphaBlendEnable = FALSE;
    PixelShader = compile ps_2_0 ScreenOver();
  }
}

technique Blend_Normal {
  pass P0 {
    AlphaBlendEnable = FALSE;
    PixelShader = compile ps_2_0 NormalOver();
  }
}

technique Common {
  pass P0 {
    AlphaBlendEnable = TRUE;
    BlendOp = ADD;
    SrcBlend = SRCALPHA;
    DestBlend = ONE;
    PixelShader = compile ps_2_0 SpriteColor();
  }
}
